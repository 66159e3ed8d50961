#include "app/wizard_paths.h"

#include "platform/path_parts.h"

std::string SuggestedBackupName(const std::string& name) {
  const std::string extension = platform::FileExtension(name);
  if (extension.empty()) return name + "_original.html";
  return name.substr(0, name.size() - extension.size()) + "_original" + extension;
}

std::string LockedPagePath(const std::string& page_path) {
  // The same byte-exact comparison the lock operation makes when it decides
  // to wrap a text page.
  return platform::FileExtension(page_path) == ".txt" ? page_path + ".html" : page_path;
}
