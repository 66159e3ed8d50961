// The terminal command line: `lock`, `site`, `unlock` and `keys` with their options,
// the help and version forms, and the four-argument form, told apart and
// checked before anything is read or written. zendrel-unlock's own command
// line is read here too.
#pragma once

#include <string>
#include <vector>

enum class TCliAction {
  Usage,    // no arguments: the usage on standard error
  Help,     // --help, -h, /?, -?, ?: the usage on standard output
  Version,  // --version, -V
  Lock,     // lock [options] <page> <backup>
  Site,     // site [options] <source folder> <output folder>
  Unlock,   // unlock [password source] <locked page> <output file>
  Keys,     // keys <verb> [options] <keyring> [<name>]
  Batch,    // <template> <page> <backup> <password>
};

// Where the password comes from; the terminal prompt unless one is named.
// Argument: zendrel-unlock's third argument, kept for existing scripts
// (password_from holds it).
enum class TPasswordSource { Prompt, Stdin, File, Environment, Argument };

inline constexpr char kDefaultTemplate[] = "Light";

struct TCliCommand {
  TCliAction action = TCliAction::Usage;
  // A name in the templates folder, or a path to a template folder.
  std::string template_ = kDefaultTemplate;
  TPasswordSource password_source = TPasswordSource::Prompt;
  // The file of --password-file, or the variable of --password-env.
  std::string password_from;
  std::string share_url;   // empty: no share link
  std::string share_page;  // site: the page the link opens; empty: index.html
  unsigned jobs = 0;       // 0: one per processor
  bool quiet = false;
  bool yes = false;      // lock: replace an existing backup without asking
  bool force = false;    // site: replace a non-empty output folder
  bool strict = false;   // site: a copy that holds page text fails the lock
  bool dry_run = false;  // site: say each file's fate, write nothing
  // site: lock with this keyring (format 3); unlock: open with its content
  // key. The password is then the keyring's owner password.
  std::string keyring;
  // unlock: what the password source gives is a share link (or its secret).
  bool link = false;
  // keys: init, add, link, remove, list or passwd; with Help, the keys
  // command's own help.
  std::string keys_verb;
  // keys: where a new password (the owner's or a reader's) comes from.
  TPasswordSource new_password_source = TPasswordSource::Prompt;
  std::string new_password_from;
  bool rotate = false;  // keys remove: a new content key too
  // site: page patterns, files left out, files copied in clear on purpose.
  std::vector<std::string> include, exclude, copy;
  // lock: page, backup; site: source, output; unlock: locked page, output;
  // keys: keyring, name; batch: the four arguments.
  std::vector<std::string> operands;
};

struct TCliParse {
  bool ok = false;
  TCliCommand command;
  // Why the command line is malformed, one line, when not ok.
  std::string error;
};

// Reads the arguments (without the program's own name). Four arguments that
// are not a valid `lock` or `site` command are the four-argument form, as
// they always were; any other malformed command line gives ok false.
TCliParse ParseCliArguments(const std::vector<std::string>& arguments);

// zendrel-unlock's arguments: --help, --version, or what `unlock` takes, and
// then a third operand is the password (source Argument) when no other
// source is named. Any other command line gives ok false.
TCliParse ParseUnlockArguments(const std::vector<std::string>& arguments);
