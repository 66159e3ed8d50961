#include "app/window/win32/file_dialog.h"

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
// clang-format on

#include "platform/path_parts.h"
#include "platform/platform.h"

namespace {

// The shell's folder browser opens at the folder the wizard suggests.
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

bool RunFolderBrowser(std::intptr_t owner, std::string* folder) {
  TComOnThisThread com;
  // A folder that is still to be made opens the browser at its parent.
  const std::string start =
      folder->empty() || platform::PathExists(*folder) ? *folder : platform::FolderPart(*folder);
  char chosen[MAX_PATH] = {};
  BROWSEINFOA browse{};
  browse.hwndOwner = reinterpret_cast<HWND>(owner);
  browse.pszDisplayName = chosen;
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  browse.lpfn = &StartAt;
  browse.lParam = reinterpret_cast<LPARAM>(start.empty() ? nullptr : start.c_str());
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&browse);
  if (!item) return false;
  const bool named = SHGetPathFromIDListA(item, chosen) != FALSE;
  ILFree(item);
  if (!named || !*chosen) return false;
  *folder = chosen;
  return true;
}

}  // namespace

bool TFileDialog::Execute(std::intptr_t owner) {
  platform::FileDialogRequest request;
  request.save = kind_ == Kind::Save;
  request.filter = Filter;
  request.file_name = FileName;
  request.file_must_exist = kind_ != Kind::Save;
  request.overwrite_prompt = kind_ == Kind::Save;
  request.owner = owner;
  // A test answers every dialog through the one seam; the system's folder
  // browser is the shell's, not the common file dialog.
  const bool seam = static_cast<bool>(platform::SeamSlot<platform::FileDialogHandler>());
  if (kind_ == Kind::Folder && !seam) {
    std::string folder = FileName;
    if (!RunFolderBrowser(owner, &folder)) return false;
    FileName = folder;
    return true;
  }
  if (!platform::RunFileDialog(request)) return false;
  FileName = request.file_name;
  return true;
}
