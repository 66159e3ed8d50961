#include "app/terminal/arguments.h"

#include <algorithm>
#include <cstring>

#include "app/common/share_link.h"

namespace {

// The commands an option applies to, as bits.
enum TScope : unsigned {
  LockOnly = 1,
  SiteOnly = 2,
  Both = LockOnly | SiteOnly,
  UnlockOnly = 4,
  SiteUnlock = SiteOnly | UnlockOnly,
  KeysOnly = 8,
  SiteOrKeys = SiteOnly | KeysOnly,
  Every = Both | UnlockOnly | KeysOnly,
};

struct TOption {
  const char* name;
  bool takes_value;
  TScope scope;
};

constexpr TOption kOptions[] = {
    {"--template", true, TScope::Both},       {"--password-stdin", false, TScope::Every},
    {"--password-file", true, TScope::Every}, {"--password-env", true, TScope::Every},
    {"--share-url", true, TScope(Both | KeysOnly)}, {"--jobs", true, TScope::Both},
    {"--quiet", false, TScope::Both},         {"--yes", false, TScope::LockOnly},
    {"--include", true, TScope::SiteOnly},    {"--exclude", true, TScope::SiteOnly},
    {"--force", false, TScope::SiteOnly},     {"--copy", true, TScope::SiteOnly},
    {"--strict", false, TScope::SiteOnly},    {"--dry-run", false, TScope::SiteOnly},
    {"--share-page", true, TScope::SiteOrKeys},
    {"--new-password-stdin", false, TScope::KeysOnly}, {"--new-password-file", true, TScope::KeysOnly},
    {"--new-password-env", true, TScope::KeysOnly},    {"--rotate", false, TScope::KeysOnly},
    {"--keyring", true, TScope::SiteUnlock},           {"--link", false, TScope::UnlockOnly},
};

// The keys command's verbs, the operands each takes (the keyring, then at
// least `least` and at most `most` in all) and the options only some take.
struct TKeysVerb {
  const char* name;
  std::size_t least, most;
  bool new_password, share, rotate;
};
constexpr TKeysVerb kKeysVerbs[] = {
    {"init", 2, 2, true, false, false},   {"add", 2, 2, true, false, false},
    {"link", 2, 2, false, true, false},   {"remove", 2, 2, false, false, true},
    {"list", 1, 1, false, false, false},  {"passwd", 1, 2, true, false, false},
};

const TKeysVerb* FindKeysVerb(const std::string& name) {
  for (const TKeysVerb& verb : kKeysVerbs)
    if (name == verb.name) return &verb;
  return nullptr;
}

unsigned ScopeOf(TCliAction action) {
  return action == TCliAction::Lock   ? TScope::LockOnly
         : action == TCliAction::Site ? TScope::SiteOnly
         : action == TCliAction::Keys ? TScope::KeysOnly
                                      : TScope::UnlockOnly;
}

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h" || a == "/?" || a == "-?" || a == "?"; }
bool IsVersion(const std::string& a) { return a == "--version" || a == "-V"; }

const TOption* FindOption(const std::string& name) {
  for (const TOption& option : kOptions)
    if (name == option.name) return &option;
  return nullptr;
}

// A whole number from 1 to 1024, in decimal digits only.
bool ParseJobs(const std::string& text, unsigned* jobs) {
  if (text.empty() || text.size() > 4 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const unsigned value = static_cast<unsigned>(std::stoul(text));
  if (value < 1 || value > 1024) return false;
  *jobs = value;
  return true;
}

class TParser {
 public:
  // `password_operand`: zendrel-unlock, whose third operand may be the
  // password.
  explicit TParser(TCliAction action, bool password_operand = false) : password_operand_(password_operand) {
    parse_.command.action = action;
  }

  void SetKeysVerb(const std::string& verb) { parse_.command.keys_verb = verb; }

  // `arguments` from `first` on are the command's options and operands.
  TCliParse Run(const std::vector<std::string>& arguments, std::size_t first = 1) {
    if (!ReadArguments(arguments, first)) return parse_;
    if (!CheckCombinations()) return parse_;
    if (parse_.command.action == TCliAction::Keys) return CheckKeys();
    if (!TakePasswordOperand()) return parse_;
    return CheckOperands();
  }

 private:
  // The command as the reasons name it.
  std::string Verb() const {
    const TCliAction action = parse_.command.action;
    return action == TCliAction::Lock   ? "lock"
           : action == TCliAction::Site ? "site"
           : action == TCliAction::Keys ? "keys " + parse_.command.keys_verb
                                        : "unlock";
  }

  // Reads the options and operands. False when that settles the parse: an
  // option was refused, or the help was asked for.
  bool ReadArguments(const std::vector<std::string>& arguments, std::size_t first) {
    bool options_end = false;
    for (std::size_t i = first; i < arguments.size(); ++i) {
      const std::string& argument = arguments[i];
      if (options_end || argument.size() < 2 || argument[0] != '-') {
        parse_.command.operands.push_back(argument);
      } else if (argument == "--") {
        options_end = true;
      } else if (IsHelp(argument)) {
        AskHelp();
        return false;
      } else if (!ReadOption(arguments, &i)) {
        return false;
      }
    }
    return true;
  }

  // The help asked for anywhere among the options: the rest of the command
  // line does not count, but the keys verb chooses the help.
  void AskHelp() {
    const std::string keys_verb = parse_.command.keys_verb;
    parse_.command = TCliCommand{};
    parse_.command.action = TCliAction::Help;
    parse_.command.keys_verb = keys_verb;
    parse_.ok = true;
  }

  // Reads the option at `*i`, --name=value and --name value alike (the
  // value then moves `*i` on), and applies it. False (with the parse
  // failed) when it is refused.
  bool ReadOption(const std::vector<std::string>& arguments, std::size_t* i) {
    const std::string& argument = arguments[*i];
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const TOption* option = FindOption(name);
    if (option == nullptr) {
      if (name == "--password")
        return Refuse(
            "there is no --password option: a password on the command line is seen by every "
            "local user; use --password-stdin, --password-file or --password-env, or let " +
            Verb() + " ask for it");
      return Refuse("unknown option " + name);
    }
    if ((option->scope & ScopeOf(parse_.command.action)) == 0)
      return Refuse(name + " does not apply to " + Verb());
    std::string value;
    if (option->takes_value) {
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (*i + 1 < arguments.size()) {
        value = arguments[++*i];
      } else {
        return Refuse(name + " needs a value");
      }
      if (value.empty()) return Refuse(name + " needs a value");
    } else if (equals != std::string::npos) {
      return Refuse(name + " takes no value");
    }
    return Apply(name, value);
  }

  // Options that cannot go together, whatever the command.
  bool CheckCombinations() {
    const TCliCommand& c = parse_.command;
    if (!c.share_page.empty() && c.share_url.empty()) return Refuse("--share-page needs --share-url");
    if (!c.keyring.empty() && !c.share_url.empty())
      return Refuse(
          "--share-url does not apply to a keyring site: its share links come from \"zendrel keys link\"");
    if (!c.keyring.empty() && c.link)
      return Refuse("--link and --keyring are two ways to open the page: name one");
    return true;
  }

  // zendrel-unlock's third operand, when there is one, is the password.
  bool TakePasswordOperand() {
    std::vector<std::string>& operands = parse_.command.operands;
    if (!password_operand_ || operands.size() != 3) return true;
    if (password_named_) return Refuse("name one password source only");
    if (parse_.command.link)
      return Refuse(
          "--link reads the link from --password-stdin, --password-file, --password-env or the "
          "terminal, never from the command line");
    parse_.command.password_source = TPasswordSource::Argument;
    parse_.command.password_from = operands.back();
    operands.pop_back();
    return true;
  }

  // lock, site and unlock take two operands.
  TCliParse& CheckOperands() {
    const TCliAction action = parse_.command.action;
    const std::size_t count = parse_.command.operands.size();
    if (count != 2)
      return Fail(Verb() +
                  (action == TCliAction::Lock   ? " takes a page and a backup file"
                   : action == TCliAction::Site ? " takes a source folder and an output folder"
                                                : " takes a locked page and an output file") +
                  (count < 2 ? "" : "; more were given"));
    parse_.ok = true;
    return parse_;
  }

  // The reason quotes what was typed: a control character in it (a line
  // break, an escape sequence) would reach the terminal as one.
  TCliParse& Fail(const std::string& why) {
    parse_.ok = false;
    parse_.error = why;
    for (char& c : parse_.error)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return parse_;
  }

  // The parse failed for `why`; false, for a step to return.
  bool Refuse(const std::string& why) {
    Fail(why);
    return false;
  }

  bool Once(const std::string& name) {
    if (std::find(seen_.begin(), seen_.end(), name) != seen_.end()) {
      Fail(name + " is given twice");
      return false;
    }
    seen_.push_back(name);
    return true;
  }

  // The keys command's operands and the options its verb takes.
  TCliParse& CheckKeys() {
    const TCliCommand& c = parse_.command;
    const TKeysVerb& verb = *FindKeysVerb(c.keys_verb);
    const std::string name = "keys " + c.keys_verb;
    if (new_password_named_ && !verb.new_password) return Fail("--new-password-* does not apply to " + name);
    if (!c.share_url.empty() && !verb.share) return Fail("--share-url does not apply to " + name);
    if (c.rotate && !verb.rotate) return Fail("--rotate does not apply to " + name);
    if (c.password_source == TPasswordSource::Stdin && c.new_password_source == TPasswordSource::Stdin)
      return Fail("the owner password and the new one cannot both come from standard input");
    if (c.operands.size() < verb.least || c.operands.size() > verb.most)
      return Fail(name +
                  (verb.most == 1    ? " takes a keyring"
                   : verb.least == 1 ? " takes a keyring and, for a reader's password, the reader's name"
                                     : " takes a keyring and a name") +
                  (c.operands.size() < verb.least ? "" : "; more were given"));
    parse_.ok = true;
    return parse_;
  }

  bool NewSource(TPasswordSource source, const std::string& from) {
    if (new_password_named_) {
      Fail("name one new password source only");
      return false;
    }
    new_password_named_ = true;
    parse_.command.new_password_source = source;
    parse_.command.new_password_from = from;
    return true;
  }

  bool Source(TPasswordSource source, const std::string& from) {
    if (password_named_) {
      Fail("name one password source only");
      return false;
    }
    password_named_ = true;
    parse_.command.password_source = source;
    parse_.command.password_from = from;
    return true;
  }

  // False (with the parse failed) when the option is refused.
  bool Apply(const std::string& name, const std::string& value) {
    TCliCommand& c = parse_.command;
    if (name == "--include") {
      c.include.push_back(value);
      return true;
    }
    if (name == "--exclude") {
      c.exclude.push_back(value);
      return true;
    }
    if (name == "--copy") {
      c.copy.push_back(value);
      return true;
    }
    if (name == "--password-stdin") return Source(TPasswordSource::Stdin, "");
    if (name == "--password-file") return Source(TPasswordSource::File, value);
    if (name == "--password-env") return Source(TPasswordSource::Environment, value);
    if (name == "--new-password-stdin") return NewSource(TPasswordSource::Stdin, "");
    if (name == "--new-password-file") return NewSource(TPasswordSource::File, value);
    if (name == "--new-password-env") return NewSource(TPasswordSource::Environment, value);
    if (!Once(name)) return false;
    if (name == "--template") {
      c.template_ = value;
    } else if (name == "--share-url") {
      std::string why;
      if (!CheckShareUrl(value, &why)) {
        Fail(why);
        return false;
      }
      c.share_url = value;
    } else if (name == "--share-page") {
      c.share_page = value;
    } else if (name == "--jobs") {
      if (!ParseJobs(value, &c.jobs)) {
        Fail("--jobs takes a whole number from 1 to 1024");
        return false;
      }
    } else if (name == "--quiet") {
      c.quiet = true;
    } else if (name == "--yes") {
      c.yes = true;
    } else if (name == "--force") {
      c.force = true;
    } else if (name == "--strict") {
      c.strict = true;
    } else if (name == "--dry-run") {
      c.dry_run = true;
    } else if (name == "--keyring") {
      c.keyring = value;
    } else if (name == "--link") {
      c.link = true;
    } else if (name == "--rotate") {
      c.rotate = true;
    }
    return true;
  }

  TCliParse parse_;
  std::vector<std::string> seen_;
  bool password_named_ = false;
  bool new_password_named_ = false;
  const bool password_operand_;
};

// Four arguments of which none after the first looks like an option.
bool LooksLikeBatch(const std::vector<std::string>& arguments) {
  return arguments.size() == 4 && std::none_of(arguments.begin() + 1, arguments.end(),
                                               [](const std::string& a) { return a[0] == '-'; });
}

}  // namespace

TCliParse ParseCliArguments(const std::vector<std::string>& arguments) {
  TCliParse parse;
  if (arguments.empty()) {
    parse.ok = true;
    return parse;
  }
  const std::string& first = arguments[0];
  if (IsHelp(first) || IsVersion(first)) {
    parse.ok = true;
    parse.command.action = IsHelp(first) ? TCliAction::Help : TCliAction::Version;
    return parse;
  }
  if (first == "keys") {
    // The verb comes first: "keys --help" alone asks for the keys help.
    if (arguments.size() >= 2 && IsHelp(arguments[1])) {
      parse.ok = true;
      parse.command.action = TCliAction::Help;
      parse.command.keys_verb = "keys";
      return parse;
    }
    if (arguments.size() >= 2 && FindKeysVerb(arguments[1]) != nullptr) {
      TParser parser(TCliAction::Keys);
      parser.SetKeysVerb(arguments[1]);
      parse = parser.Run(arguments, 2);
    } else {
      parse.error = "keys takes a command first: init, add, link, remove, list or passwd";
    }
    // A template named "keys" keeps its four-argument form.
    if (parse.ok || !LooksLikeBatch(arguments)) return parse;
  }
  if (first == "lock" || first == "site" || first == "unlock") {
    parse = TParser(first == "lock"   ? TCliAction::Lock
                    : first == "site" ? TCliAction::Site
                                      : TCliAction::Unlock)
                .Run(arguments);
    // A template named "lock", "site" or "unlock" keeps its four-argument
    // form.
    if (parse.ok || !LooksLikeBatch(arguments)) return parse;
  }
  parse = TCliParse{};
  if (arguments.size() == 4) {
    parse.ok = true;
    parse.command.action = TCliAction::Batch;
    parse.command.operands = arguments;
    return parse;
  }
  parse.error = "the command line names no command: lock, site, or the four arguments";
  return parse;
}

TCliParse ParseUnlockArguments(const std::vector<std::string>& arguments) {
  if (arguments.size() == 1 && (IsHelp(arguments[0]) || IsVersion(arguments[0]))) {
    TCliParse parse;
    parse.ok = true;
    parse.command.action = IsHelp(arguments[0]) ? TCliAction::Help : TCliAction::Version;
    return parse;
  }
  return TParser(TCliAction::Unlock, true).Run(arguments, 0);
}
