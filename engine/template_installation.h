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
// page's own name. A file that cannot be copied is reported in a message
// box and skipped. A folder that cannot be listed copies nothing, silently.
void InstallTemplate(const std::string& source_folder, const std::string& page_path);

// Every path InstallTemplate would copy a file to, without copying.
std::vector<std::string> TemplateDestinations(const std::string& source_folder, const std::string& page_path);

// The template names offered to the user: the subdirectories of
// `templates_dir` that are neither hidden nor system, in listing order,
// without "." and "..". Empty when the folder cannot be listed.
std::vector<std::string> TemplateCatalogue(const std::string& templates_dir);
