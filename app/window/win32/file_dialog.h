// The wizard's open, save and folder dialogs. Each keeps the full path of
// the file or folder last chosen, which is the wizard's own record of that
// choice.
#pragma once

#include <cstdint>
#include <string>

class TFileDialog {
 public:
  enum class Kind { Open, Save, Folder };
  explicit TFileDialog(Kind kind) : kind_(kind) {}

  // In: the name the dialog starts with. Out: the chosen file's full path
  // (a folder's without a final separator).
  std::string FileName;
  // Descriptions and patterns separated by "|"; the first entry is in
  // effect when the dialog opens. A folder dialog has none.
  std::string Filter;

  // Runs the dialog owned by `owner`. True when the user confirmed a file
  // (FileName then holds it); on cancel nothing changes. The open dialog
  // wants an existing file and takes a typed name unchecked; the save dialog
  // asks before an existing file is chosen; the folder dialog wants an
  // existing folder and opens at FileName.
  bool Execute(std::intptr_t owner);

 private:
  Kind kind_;
};
