// TExclusiveFile: a file this program creates, never one that was there
// before, and removes again unless it is kept. A lock builds its locked
// page in one; creating it exclusively is also what keeps two locks of one
// page apart.
#pragma once

#include <string>

#include "engine/outcome.h"
#include "platform/platform.h"

class TExclusiveFile {
 public:
  // `flush`: Finish writes the bytes through to the disk. Without it the
  // caller flushes them later (a site's pages, flushed as one tree before
  // the tree is renamed into place).
  explicit TExclusiveFile(std::string path, bool flush = true) : path_(std::move(path)), flush_(flush) {}
  // Closes the file and, unless kept, removes it.
  ~TExclusiveFile();
  TExclusiveFile(const TExclusiveFile&) = delete;
  TExclusiveFile& operator=(const TExclusiveFile&) = delete;

  // Creates the file. A problem (kCannotCreateFile, with the system's
  // reason) when it exists or cannot be made.
  TProblem Create();
  // Flushes (unless made without) and closes the file. A problem
  // (kCannotWriteLockedPage, with the system's reason) when either fails.
  TProblem Finish();
  // Made without flush: Finish starts the write-back of the bytes (and
  // does not wait for it), so that the caller's later flush waits less.
  void StartWriteBackAtFinish() { start_write_back_ = true; }
  // The file has its final place (or was moved there): it is not removed.
  void Keep() { created_ = false; }

  const std::string& path() const { return path_; }
  platform::FileHandle handle() const { return handle_; }

 private:
  std::string path_;
  platform::FileHandle handle_ = platform::kInvalidHandle;
  bool flush_ = true;
  bool start_write_back_ = false;
  bool created_ = false;
};
