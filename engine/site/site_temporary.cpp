#include "engine/site/site_temporary.h"

#include "platform/crypto.h"
#include "resources/message_table.h"

namespace {

// Tries of the move into the shared name: each failed one removed a
// leftover, or met a run that was just ending.
constexpr int kTakeTries = 4;

std::string OwnSuffix() {
  static const char kHex[] = "0123456789abcdef";
  unsigned char bytes[8] = {};
  platform::SystemRandom(bytes, sizeof bytes);
  std::string suffix = ".";
  for (const unsigned char b : bytes) {
    suffix += kHex[b >> 4];
    suffix += kHex[b & 15];
  }
  return suffix;
}

}  // namespace

TSiteTemporary::~TSiteTemporary() {
  if (taken_) platform::RemoveTree(path_);
  for (const platform::FileHandle handle : held_) platform::UnlockFolder(handle);
}

void TSiteTemporary::AlsoHold(const std::string& folder) {
  platform::FileHandle handle = platform::kInvalidHandle;
  if (platform::LockFolder(folder, &handle) == platform::FolderLock::Locked) held_.push_back(handle);
}

TProblem TSiteTemporary::Take(const std::string& output_shown, std::vector<std::string>* removed) {
  const std::string own = path_ + OwnSuffix();
  if (!platform::MakeDirectory(own))
    return {{messages::kCannotCreateFolder, {own}}, platform::LastErrorText()};
  platform::FileHandle mine = platform::kInvalidHandle;
  if (platform::LockFolder(own, &mine) != platform::FolderLock::Locked) {
    TProblem problem{{messages::kCannotCreateFolder, {own}}, platform::LastErrorText()};
    platform::RemoveTree(own);
    return problem;
  }
  auto give_up = [&](TProblem problem) {
    platform::UnlockFolder(mine);
    platform::RemoveTree(own);
    return problem;
  };
  for (int i = 0; i < kTakeTries; ++i) {
    if (platform::MoveFolder(own, path_)) {
      held_.push_back(mine);
      taken_ = true;
      return {};
    }
    const bool folder = platform::IsDirectory(path_) && !platform::IsLink(path_);
    if (!folder && !platform::PathExists(path_) && !platform::IsLink(path_)) continue;  // just gone
    bool gone = false;
    if (folder) {
      platform::FileHandle theirs = platform::kInvalidHandle;
      switch (platform::LockFolder(path_, &theirs)) {
        case platform::FolderLock::Held:
          return give_up({{messages::kSiteAnotherRun, {output_shown, path_}}, {}});
        case platform::FolderLock::Failed:
          continue;  // gone meanwhile, or not ours to open: look again
        case platform::FolderLock::Locked:
          gone = platform::RemoveTree(path_);
          platform::UnlockFolder(theirs);
          break;
      }
    } else {
      gone = platform::RemoveFile(path_);
    }
    if (!gone) return give_up({{messages::kSiteCannotRemoveLeftover, {path_}}, platform::LastErrorText()});
    removed->push_back(path_);
  }
  return give_up({{messages::kCannotCreateFolder, {path_}}, platform::LastErrorText()});
}
