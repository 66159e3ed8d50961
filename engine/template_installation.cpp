#include "engine/template_installation.h"

#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

namespace {

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

void ShowCopyError(const std::string& source, const std::string& folder) {
  messages::ShowError(messages::Format(messages::kCannotCopyToDirectory, {source, folder}));
}

// Copies the folder `source` into `destination` (both ending in the
// separator). `start_page_name` is the name the top-level start page takes;
// empty below the top, where "index.html" keeps its own name.
void InstallFolder(const std::string& source, const std::string& destination,
                   const std::string& start_page_name) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(source, &entries)) return;
  for (const auto& entry : entries) {
    if (IsDotEntry(entry.name)) continue;
    const std::string target = destination + entry.name;
    if (entry.directory) {
      // A link in the page's folder would lead the copies out of it.
      if (platform::IsLink(target)) {
        ShowCopyError(source + entry.name, destination);
        continue;
      }
      platform::MakeDirectory(target);
      InstallFolder(source + entry.name + platform::PathSeparator(), target + platform::PathSeparator(), {});
      continue;
    }
    const bool start_page = !start_page_name.empty() && entry.name == kTemplateStartPage;
    const std::string copy_to = destination + (start_page ? start_page_name : entry.name);
    // A link is replaced, never written through.
    if (platform::IsLink(copy_to)) platform::RemoveFile(copy_to);
    if (!platform::CopyFileReplacing(source + entry.name, copy_to))
      ShowCopyError(source + entry.name, destination);
  }
}

void CollectDestinations(const std::string& source, const std::string& destination,
                         const std::string& start_page_name, std::vector<std::string>* out) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(source, &entries)) return;
  for (const auto& entry : entries) {
    if (IsDotEntry(entry.name)) continue;
    if (entry.directory) {
      CollectDestinations(source + entry.name + platform::PathSeparator(),
                          destination + entry.name + platform::PathSeparator(), {}, out);
    } else {
      const bool start_page = !start_page_name.empty() && entry.name == kTemplateStartPage;
      out->push_back(destination + (start_page ? start_page_name : entry.name));
    }
  }
}

}  // namespace

void InstallTemplate(const std::string& source_folder, const std::string& page_path) {
  const std::string folder = platform::FolderPart(page_path);
  const std::string name = platform::FileNamePart(page_path);
  InstallFolder(source_folder, folder, name);
}

std::vector<std::string> TemplateDestinations(const std::string& source_folder,
                                              const std::string& page_path) {
  const std::string folder = platform::FolderPart(page_path);
  const std::string name = platform::FileNamePart(page_path);
  std::vector<std::string> destinations;
  CollectDestinations(source_folder, folder, name, &destinations);
  return destinations;
}

std::vector<std::string> TemplateCatalogue(const std::string& templates_dir) {
  std::vector<platform::DirEntry> entries;
  std::vector<std::string> names;
  if (!platform::ListDirectory(templates_dir, &entries)) return names;
  for (const auto& entry : entries) {
    if (entry.directory && !entry.hidden && !entry.system && !IsDotEntry(entry.name))
      names.push_back(entry.name);
  }
  return names;
}
