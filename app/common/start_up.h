// Start-up: what the program finds once and hands to the road it takes.
#pragma once

#include <string>

#include "engine/template_library.h"

struct TStartUp {
  // The executable's folder, ending in the path separator: the manual and
  // the templates are installed beside the program.
  std::string app_dir;
  // The templates in app_dir + "Templates" + separator.
  TTemplateLibrary templates;
};

// The start-up of the running program.
TStartUp InitApplication();

// The start-up of a program installed in `app_dir` (ending in the separator).
TStartUp StartUpIn(const std::string& app_dir);
