#include "tests/support/win32/wine_paths.h"

namespace testing_support {

std::string WinePath(const std::string& path) {
  std::string wine = path;
  if (!wine.empty() && wine[0] == '/') wine = "Z:" + wine;
  for (char& c : wine) {
    if (c == '/') c = '\\';
  }
  return wine;
}

std::string BesideProgram(const std::string& program, const std::string& extension) {
  return WinePath(program.substr(0, program.size() - 4) + extension);
}

}  // namespace testing_support
