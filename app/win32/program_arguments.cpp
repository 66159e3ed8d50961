#include <windows.h>

#include "app/command_line.h"

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
  if (!words.empty()) words.erase(words.begin());
  return words;
}

std::vector<std::string> ProgramArgumentsUtf8(int /*argc*/, char** /*argv*/) {
  const wchar_t* wide = GetCommandLineW();
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string line(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, line.data(), length, nullptr, nullptr) != length) return {};
  line.resize(static_cast<std::size_t>(length) - 1);  // the terminating NUL
  std::vector<std::string> words = SplitCommandLine(line);
  if (!words.empty()) words.erase(words.begin());
  return words;
}
