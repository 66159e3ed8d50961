// A page folder and a templates folder in a temporary directory, for tests
// that lock pages, and a lock observer that answers from a script.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "engine/lock_result.h"
#include "engine/run_observer.h"
#include "engine/template_library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

// The lines of a page block, each without its CR LF; a block that does not
// end with CR LF fails the test.
std::vector<std::string> BlockLines(const std::string& block);

// A template start page that meets the marker contract.
std::string TemplateStartPage(const std::string& payload = "'placeholder',\r\n");

class LockFixture {
 public:
  LockFixture();

  // Creates <templates folder>/<name>/<relative> with the bytes.
  void AddTemplateFile(const std::string& name, const std::string& relative, const std::string& bytes);
  std::string Page(const std::string& name) const { return pages / name; }
  // The library of the fixture's templates folder, root/Templates/.
  const TTemplateLibrary& Library() const { return library_; }
  const std::string& TemplatesDir() const { return library_.Folder(); }

  TempDir root;
  TempDir pages;

 private:
  TTemplateLibrary library_;
};

// The message's text with its places filled, then "\n" and the reason when
// there is one: what a front end shows for it.
std::string MessageText(const TLockMessage& message, const std::string& reason = {});

// Every problem of a lock that did not succeed, one "text\n" each, in the
// order a front end tells them; "" for a lock that succeeded or stopped
// without a word.
std::string Told(const TOutcome& result);

// Answers the backup question from a script (No once it runs out), records
// what the engine tells, and stops the lock at its `cancel_at`-th check
// (never when 0).
class ScriptedObserver : public TRunObserver {
 public:
  explicit ScriptedObserver(std::deque<bool> answers = {}) : answers_(std::move(answers)) {}

  bool ConfirmReplace(const std::string& backup_path) override;
  void Warn(const TLockMessage& warning) override { warnings.push_back(MessageText(warning)); }
  void Progress(const TProgress& p) override { progress.emplace_back(p.bytes_done, p.bytes_total); }
  bool Cancelled() override {
    ++checks;
    return cancel_at > 0 && checks >= cancel_at;
  }

  std::vector<std::string> asked;  // the backups the engine asked about
  std::vector<std::string> warnings;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
  std::int64_t cancel_at = 0;
  std::int64_t checks = 0;

 private:
  std::deque<bool> answers_;
};

// Locks `page` with the fixture's template called `template_name`, found
// in its library first as the front ends do: a name that finds nothing
// fails with the library's message.
TLockResult Lock(const LockFixture& f, const std::string& template_name, const std::string& page,
                 const std::string& backup, const std::string& password, TRunObserver& observer);
TLockResult Lock(const LockFixture& f, const std::string& template_name, const std::string& page,
                 const std::string& backup, const std::string& password);

}  // namespace testing_support
