// Templates: folders under TemplatesDir whose "index.html" start page takes
// the place of the page being locked, with everything beside it copied into
// the page's folder.
#pragma once

#include <string>
#include <vector>

// The start page of every template.
inline constexpr char kTemplateStartPage[] = "index.html";

// Copies every file and folder of `source_folder` (ending in the separator)
// into the folder of `page_path`; the top-level "index.html" lands on the
// page's own name, or is left out when `with_start_page` is false (the lock
// builds the page from it instead). A file that cannot be copied is reported
// in a message box, with the system's reason, and skipped; a link inside the
// template is neither followed nor copied, and reported. A folder that cannot
// be listed copies nothing, silently. False when any file could not be
// copied; a skipped link is no failure.
bool InstallTemplate(const std::string& source_folder, const std::string& page_path,
                     bool with_start_page = true);

// Every path InstallTemplate would copy a file to, without copying.
std::vector<std::string> TemplateDestinations(const std::string& source_folder, const std::string& page_path);

// The template names offered to the user: the subdirectories of
// `templates_dir` that are neither hidden nor system, in listing order,
// without "." and "..". Empty when the folder cannot be listed.
std::vector<std::string> TemplateCatalogue(const std::string& templates_dir);
