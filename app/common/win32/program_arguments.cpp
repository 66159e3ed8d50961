#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "app/common/command_line.h"

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/) {
  std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
  if (!words.empty()) words.erase(words.begin());
  return words;
}

namespace {

std::string Utf8(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(length) - 1);  // the terminating NUL
  return text;
}

}  // namespace

std::vector<std::string> RuntimeArgumentsUtf8(int /*argc*/, char** /*argv*/) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) return {};
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8(words[i]));
  LocalFree(words);
  return arguments;
}

std::vector<std::string> ProgramArgumentsUtf8(int /*argc*/, char** /*argv*/) {
  std::vector<std::string> words = SplitCommandLine(Utf8(GetCommandLineW()));
  if (!words.empty()) words.erase(words.begin());
  return words;
}
