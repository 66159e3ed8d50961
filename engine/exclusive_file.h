// TExclusiveFile: a file this program creates, never one that was there
// before, and removes again unless it is kept. A lock builds its locked
// page in one; creating it exclusively is also what keeps two locks of one
// page apart.
#pragma once

#include <string>

#include "platform/platform.h"

class TExclusiveFile {
 public:
  explicit TExclusiveFile(std::string path) : path_(std::move(path)) {}
  // Closes the file and, unless kept, removes it.
  ~TExclusiveFile();
  TExclusiveFile(const TExclusiveFile&) = delete;
  TExclusiveFile& operator=(const TExclusiveFile&) = delete;

  // Creates the file; false when it exists or cannot be made (the system's
  // reason is then LastErrorText()).
  bool Create();
  // Flushes and closes the file; false with the system's reason.
  bool Finish(std::string* why);
  // The file has its final place (or was moved there): it is not removed.
  void Keep() { created_ = false; }

  const std::string& path() const { return path_; }
  platform::FileHandle handle() const { return handle_; }

 private:
  std::string path_;
  platform::FileHandle handle_ = platform::kInvalidHandle;
  bool created_ = false;
};
