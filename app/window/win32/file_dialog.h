// The wizard's open and save dialogs. Each keeps the full path of the file
// last chosen, which is the wizard's own record of that choice.
#pragma once

#include <cstdint>
#include <string>

class TFileDialog {
 public:
  enum class Kind { Open, Save };
  explicit TFileDialog(Kind kind) : kind_(kind) {}

  // In: the name the dialog starts with. Out: the chosen file's full path.
  std::string FileName;
  // Descriptions and patterns separated by "|"; the first entry is in
  // effect when the dialog opens.
  std::string Filter;

  // Runs the dialog owned by `owner`. True when the user confirmed a file
  // (FileName then holds it); on cancel nothing changes. The open dialog
  // wants an existing file and takes a typed name unchecked; the save dialog
  // asks before an existing file is chosen.
  bool Execute(std::intptr_t owner);

 private:
  Kind kind_;
};
