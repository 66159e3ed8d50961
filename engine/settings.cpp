#include "engine/settings.h"

// The engine's two settings start with their start-up values, so that code
// used without the program's start-up (tests, tools) encodes the same way.
std::string AppDir;
std::string TemplatesDir;
int ChunkSize = kDefaultChunkSize;
std::string LineBreak = kDefaultLineBreak;
