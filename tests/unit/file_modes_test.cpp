// Locking and unlocking never widen who may read a page: what a lock writes
// keeps the page's own permission bits, and the unlocked page, the page in
// clear, is its owner's only (POSIX; Windows files take their folder's
// access rules).
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/lock_page.h"
#include "engine/page_unlock.h"
#include "engine/site_lock.h"
#include "platform/platform.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using fs::perms;

const perms kModes[] = {
    perms::owner_read | perms::owner_write,
    perms::owner_read,
    perms::owner_read | perms::owner_write | perms::group_read,
    perms::owner_read | perms::owner_write | perms::group_read | perms::others_read,
};

perms Mode(const std::string& path) { return fs::status(path).permissions() & perms::all; }

TEST(FileModes, TheLockedPageAndTheBackupKeepThePagesBits) {
  if (platform::PathSeparator() != '/') GTEST_SKIP() << "Windows files take their folder's access rules";
  for (const perms mode : kModes) {
    LockFixture f;
    f.AddTemplateFile("Plain", "index.html", TemplateStartPage());
    WriteFile(f.Page("page.html"), "a private page");
    fs::permissions(f.Page("page.html"), mode);

    ASSERT_TRUE(Lock(f, "Plain", f.Page("page.html"), f.Page("backup.html"), "pagekey").ok());

    EXPECT_EQ(Mode(f.Page("page.html")), mode) << "locked page, " << static_cast<int>(mode);
    EXPECT_EQ(Mode(f.Page("backup.html")), mode) << "backup, " << static_cast<int>(mode);
  }
}

TEST(FileModes, TheUnlockedPageIsTheOwnersOnlyWhateverTheLockedPagesBits) {
  if (platform::PathSeparator() != '/') GTEST_SKIP() << "Windows files take their folder's access rules";
  for (const perms mode : kModes) {
    TempDir root;
    WriteFile(root / "Templates/Plain/index.html", TemplateStartPage());
    WriteFile(root / "site/page.html", "a private page");
    TSiteRequest request;
    request.template_ = {"Plain", root / "Templates/Plain/", {}};
    request.source = root / "site";
    request.output = root / "out";
    request.password = "pagekey";
    TRunObserver quiet;
    ASSERT_TRUE(LockSite(request, quiet).ok());
    fs::permissions(root / "out/page.html", mode);

    const TUnlockResult result = UnlockPage(root / "out/page.html", root / "unlocked.html", "pagekey");

    ASSERT_EQ(result.status, TStatus::Done) << MessageText(result.problem.message);
    EXPECT_EQ(Mode(root / "unlocked.html"), perms::owner_read | perms::owner_write) << static_cast<int>(mode);
    EXPECT_EQ(ReadFile(root / "unlocked.html"), "a private page");
  }
}

}  // namespace
