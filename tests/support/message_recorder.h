// Records every message box the program shows while it lives and answers
// Yes/No questions from a script (No once the script runs out).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace testing_support {

class MessageRecorder {
 public:
  explicit MessageRecorder(std::deque<platform::MessageAnswer> answers = {});

  const std::vector<platform::MessageRequest>& shown() const { return shown_; }
  // "caption|text" of every box, one per line, for readable comparisons.
  std::string Transcript() const;

 private:
  std::vector<platform::MessageRequest> shown_;
  std::deque<platform::MessageAnswer> answers_;
  platform::ScopedMessageHandler scope_;
};

}  // namespace testing_support
