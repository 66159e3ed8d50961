// What a path names, without opening it for reading: opening a FIFO would
// wait for a writer, and a device may never end.
#pragma once

#include <string>

namespace platform {

enum class PathKind {
  Missing,    // nothing there, or nothing the caller may look at
  Regular,    // a file (a link to one included)
  Directory,  // a folder (a link to one included)
  Special,    // a FIFO, a socket, or a device
};

PathKind KindOfPath(const std::string& path);

}  // namespace platform
