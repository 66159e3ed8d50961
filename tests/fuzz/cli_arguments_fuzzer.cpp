// The command line of every terminal form, zendrel's and zendrel-unlock's:
// any arguments (split at 0 bytes, as the shell hands them over), and any
// raw command line split as on Windows and then parsed.
// - A parse is either ok without an error or not ok with a one-line error;
//   each action carries the operands its form has.
// - The split never gives an empty argument or one with a double quote,
//   and the arguments, quoted and joined, split back into themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/terminal/arguments.h"
#include "app/common/command_line.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// `unlock_program`: zendrel-unlock's command line rather than zendrel's.
void CheckParse(const std::vector<std::string>& arguments, bool unlock_program) {
  const TCliParse parse = unlock_program ? ParseUnlockArguments(arguments) : ParseCliArguments(arguments);
  if (!parse.ok) {
    fuzz::Check(!parse.error.empty() && parse.error.find('\n') == std::string::npos,
                "a refused command line without a one-line reason");
    return;
  }
  fuzz::Check(parse.error.empty(), "an accepted command line with an error");
  const TCliCommand& c = parse.command;
  switch (c.action) {
    case TCliAction::Usage:
      fuzz::Check(arguments.empty() && !unlock_program, "the usage for a command line with arguments");
      break;
    case TCliAction::Help:
    case TCliAction::Version:
      fuzz::Check(!arguments.empty(), "help or version without an argument");
      break;
    case TCliAction::Lock:
    case TCliAction::Site:
      fuzz::Check(!unlock_program, "zendrel-unlock took another command");
      fuzz::Check(c.operands.size() == 2, "lock or site without exactly two operands");
      fuzz::Check(arguments[0] == (c.action == TCliAction::Lock ? "lock" : "site"), "a command of another verb");
      break;
    case TCliAction::Unlock:
      fuzz::Check(c.operands.size() == 2, "unlock without exactly a locked page and an output file");
      fuzz::Check(unlock_program || arguments[0] == "unlock", "unlock from a command of another verb");
      // Only zendrel-unlock takes the password as an operand.
      fuzz::Check(c.password_source != TPasswordSource::Argument ||
                      (unlock_program && !c.password_from.empty()),
                  "a password taken from the command line where none is taken");
      break;
    case TCliAction::Batch:
      fuzz::Check(!unlock_program, "zendrel-unlock took the four-argument form");
      fuzz::Check(c.operands == arguments && arguments.size() == 4, "batch mode without its four arguments");
      break;
    case TCliAction::Keys:
      fuzz::Check(arguments[0] == "keys" && arguments.size() > 1 && c.keys_verb == arguments[1] &&
                      (c.operands.size() == 1 || c.operands.size() == 2),
                  "keys without its verb, a keyring and at most a name");
      break;
  }
  fuzz::Check(c.jobs <= 1024, "more jobs than allowed");
  fuzz::Check(c.action == TCliAction::Site || (c.include.empty() && c.exclude.empty()),
              "page patterns outside the site command");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  for (std::size_t start = 0; start <= bytes.size();) {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    if (end > start) arguments.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  CheckParse(arguments, false);
  CheckParse(arguments, true);

  const std::vector<std::string> split = SplitCommandLine(bytes);
  std::string joined;
  for (const std::string& argument : split) {
    fuzz::Check(!argument.empty() && argument.find('"') == std::string::npos,
                "an empty argument or one with a double quote");
    joined += "\"" + argument + "\" ";
  }
  fuzz::Check(SplitCommandLine(joined) == split, "quoted arguments did not split back into themselves");
  // The Windows program drops its own name, the first word.
  if (!split.empty()) {
    const std::vector<std::string> after_name(split.begin() + 1, split.end());
    CheckParse(after_name, false);
    CheckParse(after_name, true);
  }
  return 0;
}
