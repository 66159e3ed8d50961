#include "app/terminal/password_reading.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <span>
#include <tuple>

#include "platform/crypto.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

TPasswordRead Failed(const std::string& why) { return {TPasswordStatus::Failed, "", "", why}; }

// The first line of a stream, without its line break. False when the stream
// holds nothing at all.
bool FirstLine(std::istream& in, std::string* line) {
  if (!std::getline(in, *line) && line->empty()) return false;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

// The result holds the only copy: the caller's buffer is wiped by the
// caller (a moved string would leave a short password's bytes behind in
// its own small buffer).
TPasswordRead Checked(const std::string& password) {
  if (password.empty()) return Failed(messages::kPasswordNotEntered);
  return {TPasswordStatus::Ok, password, "", ""};
}

TPasswordRead FromPrompt(bool confirm, const TPasswordPrompts* prompts) {
  if (!platform::IsTerminal(platform::StandardStream::Input)) return Failed(messages::kNoPasswordSource);
  std::string first, second, utf8, utf8_again;
  // The confirmation and every refused line are wiped here; the result
  // takes copies of what it keeps.
  platform::WipeOnExit wipe{&first, &second, &utf8, &utf8_again};
  const std::tuple<const char*, std::string*, std::string*> asks[] = {
      {prompts ? prompts->first.c_str() : messages::kPasswordPrompt, &first, &utf8},
      {prompts ? prompts->again.c_str() : messages::kPasswordPromptAgain, &second, &utf8_again}};
  for (auto [prompt, line, wide] : std::span(asks, confirm ? 2 : 1)) {
    switch (platform::ReadTerminalLine(prompt, false, line, wide)) {
      case platform::TerminalRead::Ok:
        break;
      case platform::TerminalRead::Interrupted:
        return {TPasswordStatus::Interrupted, "", "", messages::kInterrupted};
      case platform::TerminalRead::NoTerminal:
        return Failed(messages::kNoPasswordSource);
      case platform::TerminalRead::Ended:
        return Failed(messages::kPasswordNotEntered);
    }
    if (line->empty()) return Failed(messages::kPasswordNotEntered);
  }
  if (confirm && (first != second || utf8 != utf8_again)) return Failed(messages::kPasswordsDiffer);
  TPasswordRead read = Checked(first);
  read.utf8 = utf8;
  return read;
}

TPasswordRead FromFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  platform::WipeOnExit wipe{&line};
  if (!file) return Failed(messages::Format(messages::kPasswordFileUnreadable, {path, std::strerror(errno)}));
  if (!FirstLine(file, &line)) return Failed(messages::kPasswordNotEntered);
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  return Checked(line);
}

}  // namespace

TPasswordRead ReadPassword(TPasswordSource source, const std::string& from, bool confirm,
                           const TPasswordPrompts* prompts) {
  switch (source) {
    case TPasswordSource::Prompt:
      return FromPrompt(confirm, prompts);
    case TPasswordSource::Argument:
      return Checked(from);
    case TPasswordSource::Stdin: {
      std::string line;
      platform::WipeOnExit wipe{&line};
      if (!FirstLine(std::cin, &line)) return Failed(messages::kPasswordStdinEmpty);
      return Checked(line);
    }
    case TPasswordSource::File:
      return FromFile(from);
    case TPasswordSource::Environment: {
      const char* value = std::getenv(from.c_str());
      if (value == nullptr) return Failed(messages::Format(messages::kPasswordEnvUnset, {from}));
      return Checked(value);
    }
  }
  return Failed(messages::kPasswordNotEntered);
}
