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

namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != platform::PathSeparator()) folder += platform::PathSeparator();
  return folder;
}

std::string WithoutSeparator(std::string folder) {
  while (folder.size() > 1 && folder.back() == platform::PathSeparator()) folder.pop_back();
  return folder;
}

}  // namespace

bool FolderInside(const std::string& outer, const std::string& inner) {
  const std::string outer_folder = WithSeparator(outer);
  const std::string inner_folder = WithSeparator(inner);
  if (outer.empty() || inner_folder.size() < outer_folder.size()) return false;
  return platform::SameTextIgnoringCase(inner_folder.substr(0, outer_folder.size()), outer_folder);
}

std::string SuggestedSiteOutput(const std::string& source, const std::string& remembered) {
  const std::string site = WithoutSeparator(source);
  std::string name = platform::FileNamePart(site);
  if (name.empty()) name = "site";
  const std::string beside = platform::FolderPart(site);
  const bool usable = !remembered.empty() && !FolderInside(site, remembered);
  return (usable ? WithSeparator(remembered) : beside) + name + kLockedSiteSuffix;
}
