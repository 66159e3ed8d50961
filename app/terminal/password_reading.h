// The password of a terminal command, from the one source its command line
// names. The password is never written anywhere: not echoed, not in a
// message.
#pragma once

#include <string>

#include "app/terminal/arguments.h"

enum class TPasswordStatus { Ok, Failed, Interrupted };

struct TPasswordRead {
  TPasswordStatus status = TPasswordStatus::Failed;
  std::string password;
  // The password in UTF-8 when it was read as wide characters (the Windows
  // console); empty otherwise.
  std::string utf8;
  // Why no password was read, one message, when Failed.
  std::string error;
};

// The prompt's two questions: the password, and the same again to confirm.
struct TPasswordPrompts {
  std::string first;
  std::string again;
};

// Prompt: asked on the terminal without echo (only when standard input is a
// terminal); with `confirm` asked twice, and the two must agree. Stdin and File: the first line, without
// its line break (LF or CR LF), and for a file without a UTF-8 byte-order
// mark. Environment: the variable's value. Argument: `from` itself. An empty
// password is refused with "A password is not entered".
// `prompts` replaces the prompt's questions ("Password: ", "Password
// again: ") when given.
TPasswordRead ReadPassword(TPasswordSource source, const std::string& from, bool confirm = true,
                           const TPasswordPrompts* prompts = nullptr);
