#include "app/common/start_up.h"

#include "platform/path_parts.h"
#include "platform/platform.h"

TStartUp InitApplication() { return StartUpIn(platform::FolderPart(platform::ExecutablePath())); }

TStartUp StartUpIn(const std::string& app_dir) {
  return {app_dir, TTemplateLibrary(app_dir + "Templates" + platform::PathSeparator())};
}
