// Message boxes, the shell and process start on Win32.
#include <windows.h>

#include <shellapi.h>

#include "platform/seams_internal.h"

namespace platform::internal {

MessageAnswer SystemShowMessage(const MessageRequest& request) {
  UINT type = request.buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
  if (request.buttons == MessageButtons::YesNo && request.default_answer == MessageAnswer::No)
    type |= MB_DEFBUTTON2;
  switch (request.icon) {
    case MessageIcon::Error:
      type |= MB_ICONERROR;
      break;
    case MessageIcon::Warning:
      type |= MB_ICONWARNING;
      break;
    case MessageIcon::Information:
      type |= MB_ICONINFORMATION;
      break;
  }
  const int answer = MessageBoxA(nullptr, request.text.c_str(), request.caption.c_str(), type);
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
}

int SystemShellOpen(const std::string& target, const std::string& verb) {
  const HINSTANCE result = ShellExecuteA(nullptr, verb.empty() ? nullptr : verb.c_str(), target.c_str(),
                                         nullptr, nullptr, verb.empty() ? SW_SHOW : SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

int SystemStartCommand(const std::string& command_line) {
  return static_cast<int>(WinExec(command_line.c_str(), SW_SHOWNORMAL));
}

}  // namespace platform::internal
