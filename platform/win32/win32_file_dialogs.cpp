// The common open-file and save-file dialogs, and the shell's folder
// browser.
// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include <vector>

#include "platform/path_parts.h"
#include "platform/seams_internal.h"

namespace platform::internal {
namespace {

// The folder browser opens at the folder the caller suggests.
int CALLBACK StartAt(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
  return 0;
}

// The folder browser wants COM on the calling thread for as long as it runs.
class TComOnThisThread {
 public:
  TComOnThisThread()
      : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~TComOnThisThread() {
    if (initialized_) CoUninitialize();
  }
  TComOnThisThread(const TComOnThisThread&) = delete;
  TComOnThisThread& operator=(const TComOnThisThread&) = delete;

 private:
  bool initialized_;
};

bool RunFolderBrowser(FileDialogRequest& request) {
  TComOnThisThread com;
  // A folder that is still to be made opens the browser at its parent.
  const std::string& folder = request.file_name;
  const std::string start = folder.empty() || PathExists(folder) ? folder : FolderPart(folder);
  char chosen[MAX_PATH] = {};
  BROWSEINFOA browse{};
  browse.hwndOwner = reinterpret_cast<HWND>(request.owner);
  browse.pszDisplayName = chosen;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  browse.lpfn = &StartAt;
  browse.lParam = reinterpret_cast<LPARAM>(start.empty() ? nullptr : start.c_str());
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&browse);
  if (!item) return false;
  const bool named = SHGetPathFromIDListA(item, chosen) != FALSE;
  ILFree(item);
  if (!named || !*chosen) return false;
  request.file_name = chosen;
  return true;
}

}  // namespace

bool SystemRunFileDialog(FileDialogRequest& request) {
  if (request.folder) return RunFolderBrowser(request);
  // The filter's "|" separators become the NUL separators the dialog wants.
  std::string filter = request.filter;
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  filter.append(2, '\0');
  std::vector<char> file(32768, '\0');
  request.file_name.copy(file.data(), file.size() - 1);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = reinterpret_cast<HWND>(request.owner);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;
  if (request.file_must_exist) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_NOVALIDATE;
  if (request.overwrite_prompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  const BOOL ok = request.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok) return false;
  request.file_name = file.data();
  return true;
}

}  // namespace platform::internal
