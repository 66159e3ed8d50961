#include "app/common/lock_messages.h"

#include "resources/error_box.h"
#include "resources/message_table.h"

std::string FormatMessage(const TLockMessage& message) {
  return message.text ? messages::Format(message.text, message.arguments) : std::string();
}

std::string LockFailureText(const TLockMessage& message, const std::string& reason) {
  return messages::FormatWithReason(message.text ? message.text : "", message.arguments, reason);
}

std::vector<std::string> ProblemTexts(const TOutcome& outcome) {
  std::vector<std::string> texts;
  if (outcome.ok()) return texts;
  if (outcome.problem) texts.push_back(LockFailureText(outcome.problem.message, outcome.problem.reason));
  for (const TProblem& problem : outcome.further)
    if (problem) texts.push_back(LockFailureText(problem.message, problem.reason));
  return texts;
}

void ShowLockFailures(const TOutcome& outcome) {
  for (const std::string& text : ProblemTexts(outcome)) messages::ShowError(text);
}
