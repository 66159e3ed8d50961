// The "Application error" dialog: dialog resource 101 of the program, with
// the message, the report in a fixed-pitch font, and Send, Terminate and
// Continue.
#include <windows.h>

#include "errors/system.h"
#include "errors/bug_report_mail.h"
#include "resources/error_dialog_ids.h"

namespace {

// Kept while the dialog is shown. A second report while it is open shows a
// second dialog, which takes these over.
struct TErrorDialogState {
  std::string Message;
  std::string Report;
  HFONT ReportFont = nullptr;
};
TErrorDialogState dialog_state;

INT_PTR OnInitDialog(HWND dialog) {
  dialog_state.ReportFont = CreateFontA(-10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
  SendDlgItemMessageA(dialog, IDC_ERROR_REPORT, WM_SETFONT, reinterpret_cast<WPARAM>(dialog_state.ReportFont),
                      0);
  SetDlgItemTextA(dialog, IDC_ERROR_MESSAGE, dialog_state.Message.c_str());
  SetDlgItemTextA(dialog, IDC_ERROR_REPORT, dialog_state.Report.c_str());
  return TRUE;
}

INT_PTR OnCommand(HWND dialog, WORD id) {
  switch (id) {
    case IDC_SEND_BUGREPORT:
      SendBugReport(dialog_state.Message, dialog_state.Report);
      break;
    case IDC_TERMINATE:
      EndDialog(dialog, 1);
      break;
    case IDC_CONTINUE:
      EndDialog(dialog, 0);
      break;
    default:
      break;  // Escape (IDCANCEL) and the rest do nothing
  }
  return TRUE;
}

// Nothing may unwind into the dialog manager: an exception ends the dialog
// with -1, which the reporter treats like Continue.
INT_PTR CALLBACK ErrorDialogProc(HWND dialog, UINT message, WPARAM w_param, LPARAM /*l_param*/) {
  try {
    switch (message) {
      case WM_INITDIALOG:
        return OnInitDialog(dialog);
      case WM_COMMAND:
        return OnCommand(dialog, LOWORD(w_param));
      case WM_DESTROY:
        if (dialog_state.ReportFont != nullptr) DeleteObject(dialog_state.ReportFont);
        dialog_state.ReportFont = nullptr;
        return TRUE;
      default:
        return FALSE;
    }
  } catch (...) {
    EndDialog(dialog, -1);
    return TRUE;
  }
}

}  // namespace

int ShowErrorDialog(std::intptr_t parent, const std::string& message, const std::string& report) {
  try {
    dialog_state.Message = message;
    dialog_state.Report = report;
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_APPLICATION_ERROR),
                                           reinterpret_cast<HWND>(parent), &ErrorDialogProc, 0);
    return result == 1 ? 1 : result == 0 ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

std::intptr_t ActiveProgramWindow() { return reinterpret_cast<std::intptr_t>(GetActiveWindow()); }

void TerminateAtOnce(int exit_code) { ExitProcess(static_cast<UINT>(exit_code)); }
