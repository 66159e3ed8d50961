// The run observer of the program's windowed front ends (batch mode and
// the wizard): the backup question in a "Question" box, warnings in
// "Error" boxes, all through the message-box seam. It never stops a lock.
#pragma once

#include <string>

#include "engine/run_observer.h"

class TBoxLockObserver : public TRunObserver {
 public:
  // "Backup file ... is exists. Replace it?" with Yes and No, No the
  // default; true for Yes.
  bool ConfirmReplace(const std::string& path) override;
  // The warning in the "Error" box.
  void Warn(const TLockMessage& warning) override;
};
