// A folder's lock, taken twice on real folders: the second is refused while
// the first is held, also after the folder is renamed, and given once the
// first ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;

TEST(LockFolder, ASecondLockIsRefusedUntilTheFirstEnds) {
  TempDir root;
  std::filesystem::create_directory(root / "a");
  platform::FileHandle first = platform::kInvalidHandle, second = platform::kInvalidHandle;
  ASSERT_EQ(platform::LockFolder(root / "a", &first), platform::FolderLock::Locked);
  EXPECT_EQ(platform::LockFolder(root / "a", &second), platform::FolderLock::Held);
  ASSERT_TRUE(platform::MoveFolder(root / "a", root / "b"));
  EXPECT_EQ(platform::LockFolder(root / "b", &second), platform::FolderLock::Held)
      << "the lock follows the folder";
  platform::UnlockFolder(first);
  ASSERT_EQ(platform::LockFolder(root / "b", &second), platform::FolderLock::Locked);
  platform::UnlockFolder(second);
  EXPECT_EQ(platform::LockFolder(root / "a", &second), platform::FolderLock::Failed) << "no folder there";
}

}  // namespace
