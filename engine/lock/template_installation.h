// Installing a template beside a page: the template's files and folders are
// copied into the page's folder, and its start page lands on the page's own
// name (or is left out when the lock builds the page from it).
#pragma once

#include <string>
#include <vector>

#include "engine/lock_observer.h"
#include "engine/lock_result.h"
#include "engine/template_library.h"

// What an installation met: every file that could not be copied, in order,
// and whether the observer stopped it.
struct TTemplateInstallation {
  std::vector<TLockFailure> failures;
  bool cancelled = false;

  bool ok() const { return failures.empty() && !cancelled; }
};

// Copies every file and folder of `source_folder` (ending in the separator)
// into the folder of `page_path`; the top-level "index.html" lands on the
// page's own name, or is left out when `with_start_page` is false. A file
// that cannot be copied is noted (kCannotCopyToDirectory, with the system's
// reason) and skipped; a link inside the template is neither followed nor
// copied, and `observer` is warned (kTemplateLinkSkipped). A folder that
// cannot be listed copies nothing, silently. The observer is asked before
// every copy whether to stop; what was copied before stays.
TTemplateInstallation InstallTemplate(const std::string& source_folder, const std::string& page_path,
                                      bool with_start_page, TLockObserver& observer);

// Every path InstallTemplate would copy a file to, without copying.
std::vector<std::string> TemplateDestinations(const std::string& source_folder, const std::string& page_path);
