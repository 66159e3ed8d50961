// What reporter_target and its test agree on: the target's window, its two
// failing buttons, and the message by which the test asks whether the target
// still runs its message loop.
#pragma once

#include "tests/support/win32/windows_api.h"

namespace reporter_target {

constexpr char kWindowClass[] = "ZendrelReporterTarget";
constexpr char kWindowTitle[] = "Reporter target";
constexpr int kThrowButton = 101;
constexpr int kFaultButton = 102;
constexpr UINT kPing = WM_APP + 1;
constexpr LRESULT kPingAnswer = 4242;

}  // namespace reporter_target
