// A small window program for the reporter's end-to-end test, built from the
// program's own error-reporting sources: error reporting installed as the
// program installs it, a window whose procedure hands every exception to the
// application, and two buttons whose handlers fail, one by throwing, one by
// an access violation. It answers kPing with kPingAnswer, so that a test can
// tell that it still runs its message loop.
#include <windows.h>

#include <cstdint>
#include <stdexcept>

#include "app/common/application.h"
#include "app/window/program.h"
#include "tests/e2e_reporter/reporter_target_ids.h"

namespace {

using namespace reporter_target;

__attribute__((noinline)) void ThrowingButtonClick() { throw std::runtime_error("Invalid data type for ''"); }

volatile std::uintptr_t unmapped_address = 16;
__attribute__((noinline)) void FaultingButtonClick() {
  *reinterpret_cast<volatile int*>(unmapped_address) = 1;
}

LRESULT CALLBACK TargetWindowProc(HWND window, UINT message, WPARAM w_param, LPARAM l_param) {
  try {
    switch (message) {
      case WM_CREATE:
        CreateWindowA("BUTTON", "Throw", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 100, 30, window,
                      reinterpret_cast<HMENU>(kThrowButton), nullptr, nullptr);
        CreateWindowA("BUTTON", "Fault", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 120, 10, 100, 30, window,
                      reinterpret_cast<HMENU>(kFaultButton), nullptr, nullptr);
        return 0;
      case WM_COMMAND:
        if (LOWORD(w_param) == kThrowButton) ThrowingButtonClick();
        if (LOWORD(w_param) == kFaultButton) FaultingButtonClick();
        return 0;
      case kPing:
        return kPingAnswer;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
  } catch (...) {
    Application.HandleException("TTargetForm");
    return 0;
  }
  return DefWindowProcA(window, message, w_param, l_param);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstallErrorReporting();
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &TargetWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassA(&window_class);
  CreateWindowA(kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 120, nullptr,
                nullptr, instance, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  RemoveErrorReporting();
  return static_cast<int>(message.wParam);
}
