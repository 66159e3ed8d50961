// The terminal, for the command-line front end: whether a standard stream is
// a terminal, a line read from the terminal itself (without echo for a
// password), and Ctrl-C turned into a flag the program polls. One header, two
// implementations (posix/posix_terminal.cpp, win32/win32_terminal.cpp).
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

enum class StandardStream { Input, Output, Error };

// True when the stream is an interactive terminal (isatty; a console on
// Windows), not a file, a pipe or a null device.
bool IsTerminal(StandardStream stream);

enum class TerminalRead { Ok, NoTerminal, Interrupted, Ended };

// Writes `prompt` to standard error, then reads one line from the terminal
// the program runs in (/dev/tty; the console's input on Windows), never from
// a redirected standard input. With `echo` false the typed characters are
// not shown, and the terminal's echo is restored before returning, whatever
// the outcome; a line break is then written to standard error in place of
// the one the user typed. `*line` receives the line without its line break
// in the system's code page (as typed elsewhere than on Windows), and `*utf8`,
// when given, the same line in UTF-8: on Windows a character outside the
// code page survives only there.
// NoTerminal: there is no terminal (nothing was read); Interrupted: Ctrl-C
// (the interrupt flag below is then set); Ended: end of input before a line.
TerminalRead ReadTerminalLine(const std::string& prompt, bool echo, std::string* line,
                              std::string* utf8 = nullptr);

// From this call on, Ctrl-C (SIGINT, and SIGTERM and SIGHUP on POSIX; the
// console's control events on Windows) no longer ends the process: it sets a
// flag that Interrupted() reads, so that the program can stop between writes
// and clean up. A second Ctrl-C after the flag is set ends the process as
// the system would. Call once, from the main thread.
void CatchInterrupts();

// True once an interrupt arrived after CatchInterrupts. Safe from any
// thread.
bool Interrupted();

// Write `text` to standard error or standard output unbuffered, in one call
// where the system allows (so that a progress line is never torn by
// buffering), and byte for byte: "\n" stays a line feed on Windows too.
void WriteStandardError(const std::string& text);
void WriteStandardOutput(const std::string& text);

// A message box as a console shows it: "caption: text" on standard error; a
// Yes/No question then writes "[y/N] " and reads one line of standard input
// ("y" or "yes" is Yes; anything else, or no line, is No). The Linux build
// shows every message so; the Windows console program puts it in the
// message seam so that batch mode speaks on its console.
MessageAnswer ShowConsoleMessage(const MessageRequest& request);

}  // namespace platform
