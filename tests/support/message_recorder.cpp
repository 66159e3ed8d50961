#include "tests/support/message_recorder.h"

namespace testing_support {

MessageRecorder::MessageRecorder(std::deque<platform::MessageAnswer> answers)
    : answers_(std::move(answers)), scope_([this](const platform::MessageRequest& request) {
        shown_.push_back(request);
        if (request.buttons == platform::MessageButtons::Ok) return platform::MessageAnswer::Ok;
        if (answers_.empty()) return platform::MessageAnswer::No;
        const auto answer = answers_.front();
        answers_.pop_front();
        return answer;
      }) {}

std::string MessageRecorder::Transcript() const {
  std::string text;
  for (const auto& r : shown_) text += r.caption + "|" + r.text + "\n";
  return text;
}

}  // namespace testing_support
