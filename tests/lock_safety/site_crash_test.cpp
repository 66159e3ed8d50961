// A real site lock killed with SIGKILL at moments spread over its whole run.
// After each kill the output folder is as it was (absent, or the old site
// beside which it was to be replaced), never half a site; the next run names
// and removes the temporary folder and writes the whole site.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "tests/lock_safety/lock_process.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

pid_t StartSiteLock(const std::string& root, bool force) {
  const pid_t child = fork();
  if (child == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 2);
    const std::string tmpl = root + "Templates/Plain/", source = root + "site", output = root + "out";
    execl(SITE_LOCK_RUNNER, SITE_LOCK_RUNNER, tmpl.c_str(), source.c_str(), output.c_str(), "pagekey",
          force ? "1" : "0", static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

std::string Names(const std::string& root) {
  std::string names;
  if (!fs::exists(root)) return "<absent>";
  for (const auto& entry : fs::recursive_directory_iterator(root))
    names += fs::relative(entry.path(), root).generic_string() + " ";
  return names;
}

// Every folder of the test's root but the output and its temporary folder.
void MakeSite(const TempDir& root) {
  WriteFile(root / "Templates/Plain/index.html", TemplateStartPage());
  WriteFile(root / "Templates/Plain/zendrel-extra.css", "body{}");
  for (int i = 0; i < 32; ++i) {
    const std::string folder = "site/f" + std::to_string(i % 4) + "/";
    WriteTextPage(root / (folder + "page" + std::to_string(i) + ".html"), 512u << 10);
    WriteFile(root / (folder + "asset" + std::to_string(i) + ".css"), std::string(20000, 'a' + i % 26));
  }
}

TEST(SiteCrash, AKilledSiteLockLeavesTheOutputAsItWas) {
  TempDir reference;
  MakeSite(reference);
  // The shorter of two whole runs (the first meets cold caches), so that
  // the kills below land within a run rather than after it.
  auto run_time = Clock::duration::max();
  for (const bool force : {false, true}) {
    const auto start = Clock::now();
    ASSERT_EQ(WaitFor(StartSiteLock(reference.path(), force)), 0);
    run_time = std::min(run_time, Clock::now() - start);
  }
  const std::string finished = Names(reference / "out");

  KillMoments moments(run_time, 10);
  for (const bool old_output : {false, true}) {
    for (int i = 0; i < moments.count(); ++i) {
      const std::string at = "kill " + std::to_string(i) + (old_output ? " over an old site" : "");
      TempDir root;
      MakeSite(root);
      if (old_output) WriteFile(root / "out/old.html", "the old site");
      const std::string before = Names(root / "out");

      moments.KillAt(StartSiteLock(root.path(), old_output), i);

      // Absent (or the old site) until the rename, whole after it: a kill
      // may land after the rename but before the process ends (a sanitizer
      // build spends a while in its exit checks), so a killed run may leave
      // the finished site, never a part of it.
      const std::string after = Names(root / "out");
      EXPECT_TRUE(after == before || after == finished) << at << ": " << after.substr(0, 200);

      // The next run puts the whole site in place.
      ASSERT_EQ(WaitFor(StartSiteLock(root.path(), true)), 0) << at;
      EXPECT_EQ(Names(root / "out"), finished) << at;
      EXPECT_FALSE(Exists(root / "out~temp~")) << at;
    }
  }
  // Most kills land while the lock works, or the test proved little.
  EXPECT_GT(moments.midway(), moments.count());
}

}  // namespace
