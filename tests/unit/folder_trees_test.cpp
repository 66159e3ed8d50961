// The platform's folder operations and the permission bits of copies, on
// real folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

bool Posix() { return platform::PathSeparator() == '/'; }

fs::perms Mode(const std::string& path) { return fs::status(path).permissions() & fs::perms::all; }

TEST(RemoveTree, RemovesEverythingButNeverFollowsALink) {
  TempDir root;
  WriteFile(root / "tree/a.html", "a");
  WriteFile(root / "tree/sub/deeper/b.css", "b");
  WriteFile(root / "tree/sub/.hidden", "h");
  WriteFile(root / "kept/outside.html", "outside");
  fs::permissions(root / "tree/sub/deeper/b.css", fs::perms::owner_read);
  std::error_code no_links;
  fs::create_directory_symlink(root / "kept", root / "tree/sub/link", no_links);

  EXPECT_TRUE(platform::RemoveTree(root / "tree/"));

  EXPECT_FALSE(Exists(root / "tree"));
  EXPECT_EQ(ReadFile(root / "kept/outside.html"), "outside");
}

TEST(RemoveTree, RefusesALinkAndAMissingFolder) {
  TempDir root;
  WriteFile(root / "real/a", "a");
  EXPECT_FALSE(platform::RemoveTree(root / "missing"));
  std::error_code no_links;
  fs::create_directory_symlink(root / "real", root / "link", no_links);
  if (no_links) GTEST_SKIP() << "no symbolic links here: " << no_links.message();
  EXPECT_FALSE(platform::RemoveTree(root / "link"));
  EXPECT_EQ(ReadFile(root / "real/a"), "a");
}

TEST(MoveFolder, RenamesAndNeverReplaces) {
  TempDir root;
  WriteFile(root / "from/a", "a");
  fs::create_directory(root / "empty");
  EXPECT_FALSE(platform::MoveFolder(root / "from", root / "empty")) << "an existing folder, even empty";
  EXPECT_TRUE(Exists(root / "from/a"));
  EXPECT_TRUE(platform::MoveFolder(root / "from", root / "to"));
  EXPECT_EQ(ReadFile(root / "to/a"), "a");
  EXPECT_FALSE(Exists(root / "from"));
}

TEST(ExchangeFolders, SwapsTwoFoldersAndLeavesBothOnFailure) {
  TempDir root;
  WriteFile(root / "new/site.html", "new");
  WriteFile(root / "old/site.html", "old");
  EXPECT_TRUE(platform::ExchangeFolders(root / "new", root / "old"));
  EXPECT_EQ(ReadFile(root / "old/site.html"), "new");
  EXPECT_EQ(ReadFile(root / "new/site.html"), "old");

  EXPECT_FALSE(platform::ExchangeFolders(root / "new", root / "missing"));
  EXPECT_EQ(ReadFile(root / "new/site.html"), "old");
  EXPECT_EQ(ListNames(root.path()), "new old");
}

TEST(FullPath, ResolvesExistingPathsOnly) {
  TempDir root;
  WriteFile(root / "a/b/c", "c");
  const std::string full = platform::FullPath(root / "a/b/../b");
  EXPECT_EQ(full, platform::FullPath(root / "a/b"));
  EXPECT_FALSE(full.empty());
  EXPECT_NE(full.back(), platform::PathSeparator());
  EXPECT_EQ(platform::FullPath(root / "missing"), "");
}

TEST(SameFileName, AsTheFileSystemCompares) {
  EXPECT_TRUE(platform::SameFileName("Index.html", "Index.html"));
  EXPECT_FALSE(platform::SameFileName("a.css", "b.css"));
  EXPECT_EQ(platform::SameFileName("Index.HTML", "index.html"), !Posix());
}

// Copies never widen who may read a file, and keep its bits exactly.
TEST(FileModes, CopiesKeepTheOriginalsPermissionBits) {
  if (!Posix()) GTEST_SKIP() << "Windows files take their folder's access rules";
  const fs::perms modes[] = {
      fs::perms::owner_read | fs::perms::owner_write,
      fs::perms::owner_read,
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
      fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
          fs::perms::others_exec,
  };
  for (const auto mode : modes) {
    TempDir root;
    WriteFile(root / "page.html", "private page");
    fs::permissions(root / "page.html", mode);
    WriteFile(root / "existing.html", "existing");

    ASSERT_TRUE(platform::CopyToNewFile(root / "page.html", root / "new.html"));
    ASSERT_TRUE(platform::CopyToNewFile(root / "page.html", root / "unflushed.html", false));
    ASSERT_TRUE(platform::CopyFileReplacing(root / "page.html", root / "existing.html"));
    WriteFile(root / "other.html", "other");
    ASSERT_TRUE(platform::CopyPermissions(root / "page.html", root / "other.html"));

    for (const char* copy : {"new.html", "unflushed.html", "existing.html", "other.html"})
      EXPECT_EQ(Mode(root / copy), mode) << copy << " of mode " << static_cast<int>(mode);
    EXPECT_EQ(ReadFile(root / "existing.html"), "private page");
  }
}

TEST(FileModes, AFolderTakesItsModelsBits) {
  if (!Posix()) GTEST_SKIP() << "Windows folders take their parent's access rules";
  TempDir root;
  fs::create_directory(root / "model");
  fs::create_directory(root / "copy");
  const auto mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;
  fs::permissions(root / "model", mode);
  ASSERT_TRUE(platform::CopyPermissions(root / "model", root / "copy"));
  EXPECT_EQ(Mode(root / "copy"), mode);
  EXPECT_FALSE(platform::CopyPermissions(root / "missing", root / "copy"));
}

}  // namespace
