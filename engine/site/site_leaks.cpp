#include "engine/site/site_leaks.h"

#include "engine/site/copy_policy.h"
#include "engine/site/text_runs.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

std::string WithSlashes(std::string path) {
  for (char& c : path)
    if (c == platform::PathSeparator()) c = '/';
  return path;
}

}  // namespace

TProblem FindSiteLeaks(const TSitePlan& plan, std::vector<TSiteLeak>* leaks, const std::atomic<bool>* stop) {
  leaks->clear();
  const auto stopped = [stop] { return stop != nullptr && stop->load(); };
  TTextRuns pages;
  for (const TSiteFile& file : plan.files) {
    if (stopped()) return {};
    if (file.kind != TSiteFileKind::Page && file.kind != TSiteFileKind::TextPage) continue;
    if (!pages.AddFile(file.from))
      return {{messages::kCannotReadFile, {file.from}}, platform::LastErrorText()};
  }
  for (const TSiteFile& file : plan.files) {
    if (stopped()) return {};
    if (file.kind != TSiteFileKind::Copy) continue;
    std::size_t runs = 0;
    if (!pages.Count(file.from, &runs))
      return {{messages::kCannotReadFile, {file.from}}, platform::LastErrorText()};
    const bool index = IsSearchIndexName(platform::FileNamePart(file.from));
    if (runs > 0 || index) leaks->push_back({WithSlashes(file.to), runs, index});
  }
  return {};
}
