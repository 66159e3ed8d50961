// A fresh folder per test, removed with everything in it at the end, and
// small helpers to write and read files as bytes.
#pragma once

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path, ending in the platform's separator.
  const std::string& path() const { return path_; }
  // path() + name, with "/" in `name` turned into the platform's separator.
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

// Writes the bytes, creating the file's folders as needed.
void WriteFile(const std::string& path, const std::string& bytes);
// The file's bytes; throws when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Names of the entries of a folder, sorted.
std::string ListNames(const std::string& dir);
// Makes a file hidden (Windows attribute; a no-op elsewhere, where the
// leading dot does it).
void MakeHidden(const std::string& path);

}  // namespace testing_support
