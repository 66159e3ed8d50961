// Installing a template beside a page: the template's files and folders are
// copied into the page's folder, and its start page lands on the page's own
// name (or is left out when the lock builds the page from it).
#pragma once

#include <string>
#include <vector>

#include "engine/outcome.h"
#include "engine/run_observer.h"
#include "engine/template_library.h"

// What an installation met: every file that could not be copied, in order,
// and whether the observer stopped it.
struct TTemplateInstallation {
  std::vector<TProblem> failures;
  bool cancelled = false;

  bool ok() const { return failures.empty() && !cancelled; }
  // Failed at the first file that could not be copied, with the others as
  // further problems; else Cancelled, or Done.
  TOutcome Outcome() &&;
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
                                      bool with_start_page, TRunObserver& observer);

// Every path InstallTemplate would copy a file to, without copying.
std::vector<std::string> TemplateDestinations(const std::string& source_folder, const std::string& page_path);
