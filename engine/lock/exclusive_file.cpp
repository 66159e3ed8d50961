#include "engine/lock/exclusive_file.h"

TExclusiveFile::~TExclusiveFile() {
  if (handle_ == platform::kInvalidHandle && !created_) return;
  platform::CloseFile(handle_);
  if (created_) platform::RemoveFile(path_);
}

bool TExclusiveFile::Create() {
  handle_ = platform::CreateExclusive(path_);
  created_ = handle_ != platform::kInvalidHandle;
  return created_;
}

bool TExclusiveFile::Finish(std::string* why) {
  const bool flushed = !flush_ || platform::FlushFile(handle_);
  if (!flushed) *why = platform::LastErrorText();
  const bool closed = platform::CloseFile(handle_);
  handle_ = platform::kInvalidHandle;
  if (flushed && !closed) *why = platform::LastErrorText();
  return flushed && closed;
}
