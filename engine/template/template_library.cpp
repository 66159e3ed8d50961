#include "engine/template_library.h"

#include <cstdint>

#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// A template is named by its folder: "." and ".." and anything with a path
// in it would reach outside the templates folder.
bool IsTemplateName(const std::string& name) {
  if (name.empty() || IsDotEntry(name)) return false;
  const char* separators = platform::PathSeparator() == '\\' ? "\\/:" : "/";
  return name.find_first_of(separators) == std::string::npos;
}

bool EndsInSeparator(const std::string& path) {
  return !path.empty() && platform::FolderPart(path).size() == path.size();
}

// `shown` names the template in the message: its name, or its path.
bool HasStartPage(const TTemplate& found, const std::string& shown, TLockMessage* why) {
  std::uint64_t size = 0;
  if (platform::RegularFileSize(found.StartPage(), &size)) return true;
  *why = {messages::kTemplateNotFound, {shown, found.StartPage()}};
  return false;
}

}  // namespace

std::vector<std::string> TTemplateLibrary::Names() const {
  std::vector<platform::DirEntry> entries;
  std::vector<std::string> names;
  if (!platform::ListDirectory(folder_, &entries)) return names;
  for (const auto& entry : entries) {
    if (entry.directory && !entry.hidden && !entry.system && !IsDotEntry(entry.name))
      names.push_back(entry.name);
  }
  return names;
}

bool TTemplateLibrary::Find(const std::string& name, TTemplate* found, TLockMessage* why) const {
  if (!IsTemplateName(name)) {
    *why = {messages::kNotATemplateName, {name}};
    return false;
  }
  *found = {name, folder_ + name + platform::PathSeparator()};
  return HasStartPage(*found, name, why);
}

bool TTemplateLibrary::OpenFolder(const std::string& path, TTemplate* found, TLockMessage* why) {
  if (path.empty()) {
    *why = {messages::kNotATemplateName, {path}};
    return false;
  }
  const std::string folder = EndsInSeparator(path) ? path : path + platform::PathSeparator();
  *found = {platform::FileNamePart(folder.substr(0, folder.size() - 1)), folder};
  return HasStartPage(*found, path, why);
}
