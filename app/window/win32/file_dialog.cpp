#include "app/window/win32/file_dialog.h"

#include "platform/platform.h"

bool TFileDialog::Execute(std::intptr_t owner) {
  platform::FileDialogRequest request;
  request.save = kind_ == Kind::Save;
  request.filter = Filter;
  request.file_name = FileName;
  request.file_must_exist = kind_ != Kind::Save;
  request.overwrite_prompt = kind_ == Kind::Save;
  request.owner = owner;
  request.folder = kind_ == Kind::Folder;
  if (!platform::RunFileDialog(request)) return false;
  FileName = request.file_name;
  return true;
}
