#include "tests/support/win32/message_pump.h"

#include "app/window/win32/form.h"

void ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (PreTranslateFormMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}
