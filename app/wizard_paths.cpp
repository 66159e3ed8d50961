#include "app/wizard_paths.h"

#include "platform/platform.h"

namespace {

// Windows paths also end a directory at "/" and a drive at ":".
std::string::size_type LastSeparator(const std::string& path) {
  return platform::PathSeparator() == '\\' ? path.find_last_of("\\/:") : path.find_last_of('/');
}

}  // namespace

std::string FileNamePart(const std::string& path) {
  const auto at = LastSeparator(path);
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string DirectoryPart(const std::string& path) {
  const auto at = LastSeparator(path);
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string FileExtension(const std::string& path) {
  const std::string name = FileNamePart(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string SuggestedBackupName(const std::string& name) {
  const std::string extension = FileExtension(name);
  if (extension.empty()) return name + "_original.html";
  return name.substr(0, name.size() - extension.size()) + "_original" + extension;
}

std::string LockedPagePath(const std::string& page_path) {
  // The same byte-exact comparison the lock operation makes when it decides
  // to wrap a text page.
  return FileExtension(page_path) == ".txt" ? page_path + ".html" : page_path;
}
