// Finding and reading the windows a process shows, as a person sees them.
#pragma once

#include <string>

#include "tests/support/win32/windows_api.h"

namespace testing_support {

// The first visible top-level window of process `process` whose class is
// `class_name` and whose title is `title`; an empty `title` matches any.
// nullptr when there is none.
HWND FindProcessWindow(DWORD process, const std::string& class_name, const std::string& title);

// FindProcessWindow, looked for every `poll_ms` until it appears or about
// `timeout_ms` have passed (then nullptr).
HWND WaitForProcessWindow(DWORD process, const std::string& class_name, const std::string& title,
                          DWORD timeout_ms, DWORD poll_ms);

// The window's text (a caption, or a control's contents).
std::string WindowText(HWND window);
// The text of the control `id` of `dialog`.
std::string DialogItemText(HWND dialog, int id);

// Clicks the button `id` of `dialog` and waits up to ten seconds for the
// dialog to go away.
void AnswerDialog(HWND dialog, int id);

}  // namespace testing_support
