#include "engine/template_library.h"

#include <cstdint>

#include "engine/template/template_protection.h"
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

// The template in `found.value`, when its start page is there: its
// protection is read once, here. `shown` names the template in the
// message: its name, or its path.
TValueOr<TTemplate> WithStartPage(TValueOr<TTemplate> found, const std::string& shown) {
  TTemplate& chosen = found.value;
  std::uint64_t size = 0;
  if (!platform::RegularFileSize(chosen.StartPage(), &size)) {
    found.problem = {{messages::kTemplateNotFound, {shown, chosen.StartPage()}}, {}};
    return found;
  }
  chosen.protection = ReadTemplateProtection(chosen.StartPage());
  return found;
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

TValueOr<TTemplate> TTemplateLibrary::Find(const std::string& name) const {
  TValueOr<TTemplate> found;
  if (!IsTemplateName(name)) {
    found.problem = {{messages::kNotATemplateName, {name}}, {}};
    return found;
  }
  found.value = {name, folder_ + name + platform::PathSeparator(), {}};
  return WithStartPage(std::move(found), name);
}

TValueOr<TTemplate> TTemplateLibrary::OpenFolder(const std::string& path) {
  TValueOr<TTemplate> found;
  if (path.empty()) {
    found.problem = {{messages::kNotATemplateName, {path}}, {}};
    return found;
  }
  const std::string folder = EndsInSeparator(path) ? path : path + platform::PathSeparator();
  found.value = {platform::FileNamePart(folder.substr(0, folder.size() - 1)), folder, {}};
  return WithStartPage(std::move(found), path);
}
