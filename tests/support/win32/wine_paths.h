// Paths of the build tree as a program under wine sees them.
#pragma once

#include <string>

namespace testing_support {

// `path` as wine sees it: an absolute build-tree path (/work/x/y.exe) goes
// through drive Z: (Z:\work\x\y.exe); every "/" becomes "\".
std::string WinePath(const std::string& path);

// The wine path of the file beside the built program `program` (a path ending
// in ".exe") that has the program's name with `extension` (".exe", ".RLI").
std::string BesideProgram(const std::string& program, const std::string& extension);

}  // namespace testing_support
