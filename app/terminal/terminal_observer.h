// The observer of every terminal command: the question on the terminal (or
// yes with --yes), warnings on standard error, the progress line, and
// Ctrl-C to stop.
#pragma once

#include <string>

#include "app/terminal/progress_display.h"
#include "engine/run_observer.h"

class TTerminalObserver : public TRunObserver {
 public:
  TTerminalObserver(bool yes, TProgressDisplay& progress) : yes_(yes), progress_(progress) {}

  // "Backup file ... Replace it? [y/N] ": true for y or yes, in any of its
  // usual spellings; false for anything else, Ctrl-C, the end of input,
  // and when there is no terminal to ask (see no_terminal()).
  bool ConfirmReplace(const std::string& path) override;
  void Warn(const TLockMessage& warning) override;
  // A page lock shows its bytes as one page of one; a site its pages.
  void Progress(const TProgress& progress) override;
  bool Cancelled() override;

  // ConfirmReplace found no terminal to ask on.
  bool no_terminal() const { return no_terminal_; }

 private:
  bool yes_;
  TProgressDisplay& progress_;
  bool no_terminal_ = false;
};
