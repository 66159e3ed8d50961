// A site lock as a process of its own, for tests that kill one:
//   site_lock_runner <template folder> <source> <output> <password> <force 0|1> [jobs]
// Exit code 0 when the site is locked, 1 when not (the message on standard
// error), 2 for other arguments.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/site_lock.h"
#include "resources/message_table.h"

namespace {

class TPrintingObserver : public TRunObserver {
 public:
  void Warn(const TLockMessage& warning) override {
    std::fprintf(stderr, "warning: %s\n", warning.text ? warning.text : "");
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && argc != 7) return 2;
  TSiteRequest request;
  request.template_ = {"test", argv[1], {}};
  request.source = argv[2];
  request.output = argv[3];
  request.password = argv[4];
  request.force = std::strcmp(argv[5], "1") == 0;
  if (argc == 7) request.jobs = static_cast<unsigned>(std::strtoul(argv[6], nullptr, 10));
  TPrintingObserver observer;
  const TSiteResult result = LockSite(request, observer);
  if (result.ok()) return 0;
  std::fprintf(stderr, "%s\n%s\n", result.problem.message.text ? result.problem.message.text : "",
               result.problem.reason.c_str());
  return 1;
}
