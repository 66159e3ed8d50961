// The console on Windows: console modes for a hidden line, read as UTF-16
// and handed on in UTF-8, and the console's control handler for Ctrl-C.
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/terminal.h"

namespace platform {
namespace {

std::atomic<bool> interrupted{false};

// The first Ctrl-C sets the flag; the next one goes on to the system's
// handler, which ends the process.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return interrupted.exchange(true) ? FALSE : TRUE;
}

HANDLE StandardHandle(StandardStream stream) {
  switch (stream) {
    case StandardStream::Input:
      return GetStdHandle(STD_INPUT_HANDLE);
    case StandardStream::Output:
      return GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStream::Error:
      break;
  }
  return GetStdHandle(STD_ERROR_HANDLE);
}

std::string Narrow(const std::wstring& wide, UINT code_page) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr,
                      nullptr);
  return text;
}

}  // namespace

bool IsTerminal(StandardStream stream) {
  DWORD mode = 0;
  return GetConsoleMode(StandardHandle(stream), &mode) != 0;
}

TerminalRead ReadTerminalLine(const std::string& prompt, bool echo, std::string* line, std::string* utf8) {
  line->clear();
  if (utf8) utf8->clear();
  const HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return TerminalRead::NoTerminal;
  DWORD saved = 0;
  if (!GetConsoleMode(input, &saved)) {
    CloseHandle(input);
    return TerminalRead::NoTerminal;
  }
  DWORD mode = saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT;
  if (!echo) mode &= ~static_cast<DWORD>(ENABLE_ECHO_INPUT);
  SetConsoleMode(input, mode);
  WriteStandardError(prompt);
  std::wstring wide;
  TerminalRead outcome = TerminalRead::Ended;
  for (;;) {
    wchar_t c;
    DWORD got = 0;
    const BOOL ok = ReadConsoleW(input, &c, 1, &got, nullptr);
    if (interrupted.load()) {
      outcome = TerminalRead::Interrupted;
      break;
    }
    if (!ok || got == 0) break;
    if (c == L'\n') {
      outcome = TerminalRead::Ok;
      break;
    }
    if (c != L'\r') wide.push_back(c);
  }
  SetConsoleMode(input, saved);
  CloseHandle(input);
  if (!echo) WriteStandardError("\n");
  if (outcome == TerminalRead::Ok) {
    *line = Narrow(wide, CP_ACP);
    if (utf8) *utf8 = Narrow(wide, CP_UTF8);
  }
  SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  return outcome;
}

void CatchInterrupts() { SetConsoleCtrlHandler(&OnControl, TRUE); }

bool Interrupted() { return interrupted.load(); }

void WriteStandardError(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void WriteStandardOutput(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace platform
