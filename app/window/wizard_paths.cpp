#include "app/window/wizard_paths.h"

#include "platform/path_parts.h"
#include "platform/platform.h"

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

std::string BackupsFolderIn(const std::string& documents_folder) {
  if (documents_folder.empty()) return {};
  return documents_folder + kBackupsFolderName + platform::PathSeparator();
}

bool BackupInsidePageFolder(const std::string& page_path, const std::string& backup_path) {
  const std::string page_folder = platform::FolderPart(page_path);
  const std::string backup_folder = platform::FolderPart(backup_path);
  if (page_folder.empty() || backup_folder.size() < page_folder.size()) return false;
  return platform::SameTextIgnoringCase(backup_folder.substr(0, page_folder.size()), page_folder);
}
