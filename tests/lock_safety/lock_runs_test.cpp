// Locks that run out of disk, and two locks of one page at once.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/lock_page.h"
#include "tests/lock_safety/lock_process.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;

// A small tmpfs of its own, so that the disk really fills. Needs root; CI
// runs as root, and a test that cannot mount fails rather than skips.
class SmallDisk {
 public:
  explicit SmallDisk(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) error_ = std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }
  std::string operator/(const std::string& name) const { return dir_ / name; }

  // Fills the disk so that exactly `room` bytes stay free.
  void LeaveFree(std::size_t room) {
    struct statvfs st;
    ASSERT_EQ(::statvfs(dir_.path().c_str(), &st), 0);
    const std::size_t free_bytes = st.f_bavail * st.f_frsize;
    ASSERT_GT(free_bytes, room);
    WriteFile(dir_ / "filler", std::string(free_bytes - room, 'f'));
  }

 private:
  TempDir dir_;
  bool mounted_ = false;
  std::string error_;
};

struct DiskFull {
  const char* name;
  // Free bytes left beside the page, in KiB.
  std::size_t room_kib;
  // How the failure's message begins.
  const char* message;
};

class DiskFullTest : public ::testing::TestWithParam<DiskFull> {};

// The page is 256 KiB, the template's other file 256 KiB, the locked page
// about twice the page: each step in turn finds the disk full.
TEST_P(DiskFullTest, TheLockFailsAndKeepsThePage) {
  const DiskFull c = GetParam();
  LockFixture f;
  f.AddTemplateFile("Plain", "index.html", TemplateStartPage());
  f.AddTemplateFile("Plain", "big.js", std::string(256u << 10, 'j'));
  SmallDisk disk(4u << 20);
  ASSERT_TRUE(disk.mounted()) << "cannot mount a tmpfs (root needed): " << disk.error();
  WriteTextPage(disk / "page.html", 256u << 10);
  const std::string original = ReadFile(disk / "page.html");
  WriteFile(disk / "backup.html", "old backup");
  disk.LeaveFree(c.room_kib << 10);

  ScriptedObserver observer({true});
  const TLockResult result = Lock(f, "Plain", disk / "page.html", disk / "backup.html", "pagekey", observer);
  EXPECT_EQ(result.status, TStatus::Failed);
  EXPECT_EQ(observer.asked.size(), 1u);
  EXPECT_TRUE(result.further.empty()) << Told(result);
  const std::string text = Told(result);
  EXPECT_EQ(text.rfind(c.message, 0), 0u) << text;
  EXPECT_NE(text.find("\n" + std::string(std::strerror(ENOSPC))), std::string::npos) << text;
  EXPECT_EQ(ReadFile(disk / "page.html"), original);
  EXPECT_EQ(ReadFile(disk / "backup.html"), c.room_kib < 256 ? "old backup" : original);
  for (const auto& entry : std::filesystem::directory_iterator(disk / ""))
    EXPECT_EQ(entry.path().string().find("~temp~"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(EachStep, DiskFullTest,
                         ::testing::Values(DiskFull{"Backup", 128, "Cannot copy file "},
                                           DiskFull{"TemplateCopy", 256 + 128, "Cannot copy file "},
                                           DiskFull{"LockedPage", 256 + 256 + 128,
                                                    "Cannot write the locked page"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Two locks of one page with one backup, started together, 20 times: the
// original is never lost, and never do both report success.
TEST(ConcurrentLocks, OneOfTwoAtMostAndTheOriginalStays) {
  LockInstall install;
  TempDir work;
  WriteTextPage(work / "original", 4u << 20);
  const std::string original = ReadFile(work / "original");
  const std::vector<std::string> command = {"page.html", "backup.html", "pagekey"};
  for (int trial = 0; trial < 20; ++trial) {
    TempDir site;
    std::filesystem::copy_file(work / "original", site / "page.html");
    const pid_t first = StartLock(install.program(), site.path(), command);
    const pid_t second = StartLock(install.program(), site.path(), command);
    const int a = WaitFor(first);
    const int b = WaitFor(second);
    const std::string at = "trial " + std::to_string(trial);
    EXPECT_FALSE(a == 0 && b == 0) << at << ": both locks reported success";
    EXPECT_TRUE(a == 0 || b == 0) << at << ": neither lock ran";
    EXPECT_EQ(ReadFile(site / "backup.html"), original) << at;
    EXPECT_NE(ReadFile(site / "page.html"), original) << at << ": the page was not locked";
    EXPECT_EQ(ListNames(site.path()), "backup.html page.html zendrel-extra.css") << at;
  }
}

}  // namespace
