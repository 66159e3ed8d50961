#include "engine/lock/template_installation.h"

#include <iterator>
#include <utility>

#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// The copy error with the system's reason; `why` is taken right after the
// failed call, before anything else can change it.
void CopyFailed(const std::string& source, const std::string& folder, const std::string& why,
                TTemplateInstallation* out) {
  out->failures.push_back({{messages::kCannotCopyToDirectory, {source, folder}}, why});
}

// Copies the folder `source` into `destination` (both ending in the
// separator). `start_page_name` is the name the top-level start page takes;
// empty below the top, where "index.html" keeps its own name. With
// `skip_start_page` the top-level start page is not copied at all.
// Stops early, with `out->cancelled`, when the observer asks.
void InstallFolder(const std::string& source, const std::string& destination,
                   const std::string& start_page_name, bool skip_start_page, TRunObserver& observer,
                   TTemplateInstallation* out) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(source, &entries)) return;
  for (const auto& entry : entries) {
    if (IsDotEntry(entry.name)) continue;
    // A link would lead the copy outside the template (or round in circles).
    if (entry.link) {
      observer.Warn({messages::kTemplateLinkSkipped, {source + entry.name}});
      continue;
    }
    if (observer.Cancelled()) {
      out->cancelled = true;
      return;
    }
    const std::string target = destination + entry.name;
    if (entry.directory) {
      // A link in the page's folder would lead the copies out of it.
      if (platform::IsLink(target)) {
        CopyFailed(source + entry.name, destination, target + " is a link.", out);
        continue;
      }
      platform::MakeDirectory(target);
      InstallFolder(source + entry.name + platform::PathSeparator(), target + platform::PathSeparator(), {},
                    false, observer, out);
      if (out->cancelled) return;
      continue;
    }
    const bool start_page = !start_page_name.empty() && entry.name == kTemplateStartPage;
    if (start_page && skip_start_page) continue;
    const std::string copy_to = destination + (start_page ? start_page_name : entry.name);
    // A link is replaced, never written through.
    if (platform::IsLink(copy_to)) platform::RemoveFile(copy_to);
    if (!platform::CopyFileReplacing(source + entry.name, copy_to))
      CopyFailed(source + entry.name, destination, platform::LastErrorText(), out);
  }
}

void CollectDestinations(const std::string& source, const std::string& destination,
                         const std::string& start_page_name, std::vector<std::string>* out) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(source, &entries)) return;
  for (const auto& entry : entries) {
    if (IsDotEntry(entry.name) || entry.link) continue;
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

TTemplateInstallation InstallTemplate(const std::string& source_folder, const std::string& page_path,
                                      bool with_start_page, TRunObserver& observer) {
  TTemplateInstallation out;
  InstallFolder(source_folder, platform::FolderPart(page_path), platform::FileNamePart(page_path),
                !with_start_page, observer, &out);
  return out;
}

TOutcome TTemplateInstallation::Outcome() && {
  if (failures.empty()) return cancelled ? CancelledOutcome() : TOutcome{};
  TOutcome outcome = Failed(std::move(failures.front()));
  outcome.further.assign(std::make_move_iterator(failures.begin() + 1),
                         std::make_move_iterator(failures.end()));
  return outcome;
}

std::vector<std::string> TemplateDestinations(const std::string& source_folder,
                                              const std::string& page_path) {
  const std::string folder = platform::FolderPart(page_path);
  const std::string name = platform::FileNamePart(page_path);
  std::vector<std::string> destinations;
  CollectDestinations(source_folder, folder, name, &destinations);
  return destinations;
}
