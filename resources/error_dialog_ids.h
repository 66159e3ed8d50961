// Ids of the "Application error" dialog, shared by its template
// (error_dialog.rc) and its dialog procedure (errors/win32).
#pragma once

#define IDD_APPLICATION_ERROR 101
#define IDI_ERROR_REPORT 9000
#define IDC_ERROR_REPORT 1000
#define IDC_ERROR_MESSAGE 1010
#define IDC_SEND_BUGREPORT 1002
#define IDC_TERMINATE 1003
#define IDC_CONTINUE 1004
