// The settings shared by the whole program. Start-up fills them once
// (InitApplication); the lock engine and the window only read them.
#pragma once

#include <string>

// Directory of the running executable, ending in the path separator.
extern std::string AppDir;
// AppDir + "Templates" + separator.
extern std::string TemplatesDir;
// Source bytes per data line of a page block.
extern int ChunkSize;
// Ends every line of a page block.
extern std::string LineBreak;

inline constexpr int kDefaultChunkSize = 100;
inline constexpr char kDefaultLineBreak[] = "\r\n";
