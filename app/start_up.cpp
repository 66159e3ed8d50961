#include "app/start_up.h"

#include "engine/settings.h"
#include "platform/path_parts.h"
#include "platform/platform.h"

bool InitApplication() {
  AppDir = platform::FolderPart(platform::ExecutablePath());
  TemplatesDir = AppDir + "Templates" + platform::PathSeparator();
  ChunkSize = kDefaultChunkSize;
  LineBreak = kDefaultLineBreak;
  return true;
}
