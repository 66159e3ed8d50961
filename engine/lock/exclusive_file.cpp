#include "engine/lock/exclusive_file.h"

#include "resources/message_table.h"

TExclusiveFile::~TExclusiveFile() {
  if (handle_ == platform::kInvalidHandle && !created_) return;
  platform::CloseFile(handle_);
  if (created_) platform::RemoveFile(path_);
}

TProblem TExclusiveFile::Create() {
  handle_ = platform::CreateExclusive(path_);
  created_ = handle_ != platform::kInvalidHandle;
  if (created_) return {};
  return {{messages::kCannotCreateFile, {path_}}, platform::LastErrorText()};
}

TProblem TExclusiveFile::Finish() {
  TProblem problem;
  if (flush_ && !platform::FlushFile(handle_))
    problem = {{messages::kCannotWriteLockedPage, {path_}}, platform::LastErrorText()};
  if (!flush_ && start_write_back_) platform::StartWriteBack(handle_);
  if (!platform::CloseFile(handle_) && !problem)
    problem = {{messages::kCannotWriteLockedPage, {path_}}, platform::LastErrorText()};
  handle_ = platform::kInvalidHandle;
  return problem;
}
