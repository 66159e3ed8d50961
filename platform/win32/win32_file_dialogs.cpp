// The common open-file and save-file dialogs.
#include <windows.h>

#include <commdlg.h>

#include <vector>

#include "platform/seams_internal.h"

namespace platform::internal {

bool SystemRunFileDialog(FileDialogRequest& request) {
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
