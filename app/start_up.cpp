#include "app/start_up.h"

#include "engine/settings.h"
#include "platform/platform.h"

bool InitApplication() {
  const std::string exe = platform::ExecutablePath();
  AppDir = exe.substr(0, exe.find_last_of(platform::PathSeparator()) + 1);
  TemplatesDir = AppDir + "Templates" + platform::PathSeparator();
  ChunkSize = kDefaultChunkSize;
  LineBreak = kDefaultLineBreak;
  return true;
}
