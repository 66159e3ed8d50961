// A real lock of a large page killed with SIGKILL at 45 moments spread over
// its whole run (15 under the sanitizer). After each kill the page is the
// original or the finished locked page and the backup the original or the
// old backup; running the same command again, answering "y", never loses
// the original.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "tests/lock_safety/lock_process.h"
#include "tests/support/sanitized_build.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kCommand = {"page.html", "backup.html", "pagekey"};

TEST(CrashConsistency, AKilledLockNeverCostsThePage) {
  LockInstall install;
  TempDir work;
  WriteTextPage(work / "original", 16u << 20);
  const std::string original = ReadFile(work / "original");
  const std::string old_backup = "an older backup";

  // Whole runs give the finished page and the length of a lock: the
  // shortest of three, since the first pays for a cold cache and the kills
  // must land while the lock works.
  std::string finished;
  Clock::duration run_time = Clock::duration::max();
  for (int run = 0; run < 3; ++run) {
    TempDir reference;
    WriteFile(reference / "page.html", original);
    WriteFile(reference / "backup.html", old_backup);
    const auto start = Clock::now();
    ASSERT_EQ(WaitFor(StartLock(install.program(), reference.path(), kCommand)), 0);
    run_time = std::min(run_time, Clock::now() - start);
    finished = ReadFile(reference / "page.html");
  }
  ASSERT_NE(finished, original);

  KillMoments moments(run_time, kSanitizedBuild ? 15 : 45);
  for (int i = 0; i < moments.count(); ++i) {
    const std::string at = "kill " + std::to_string(i);
    TempDir site;
    std::filesystem::copy_file(work / "original", site / "page.html");
    WriteFile(site / "backup.html", old_backup);
    moments.KillAt(StartLock(install.program(), site.path(), kCommand), i);

    const std::string page = ReadFile(site / "page.html");
    const std::string backup = ReadFile(site / "backup.html");
    EXPECT_TRUE(page == original || page == finished) << at << ": the page is neither whole";
    EXPECT_TRUE(backup == original || backup == old_backup) << at << ": the backup is neither whole";

    // The user's next step: the same command again, "y" to the question.
    const int again = WaitFor(StartLock(install.program(), site.path(), kCommand));
    const std::string page_after = ReadFile(site / "page.html");
    const std::string backup_after = ReadFile(site / "backup.html");
    EXPECT_TRUE(page_after == original || backup_after == original) << at << ": the rerun lost the original";
    EXPECT_TRUE(again == 0 || again == 1) << at;
    if (again == 0) {
      EXPECT_EQ(page_after, finished) << at;
      EXPECT_EQ(backup_after, original) << at;
    }
  }
  // The moments cover the run: most kills land while the lock works.
  EXPECT_GT(moments.midway(), moments.count() / 2);
}

}  // namespace
