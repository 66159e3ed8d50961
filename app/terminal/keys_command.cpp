// zendrel keys: the keyring's commands. The passwords are read first, all
// of them, so that no one typing holds the keyring: the change itself then
// holds it only while it reads, derives and writes.
#include <string>
#include <vector>

#include "app/common/template_choice.h"
#include "app/terminal/commands.h"
#include "app/terminal/password_reading.h"
#include "app/common/share_link.h"
#include "app/window/batch_mode.h"
#include "engine/keyring.h"
#include "engine/share_key.h"
#include "platform/crypto.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

constexpr char kDefaultSharePage[] = "index.html";

// Reads one password; false (after saying why) when there is none.
bool Read(const TCliContext& context, TPasswordSource source, const std::string& from, bool confirm,
          const TPasswordPrompts& prompts, TPassword* password) {
  TPasswordRead read = ReadPassword(source, from, confirm, &prompts);
  platform::WipeOnExit wipe{&read.password, &read.utf8};
  if (read.status != TPasswordStatus::Ok) {
    SayError(context, read.error == messages::kPasswordsDiffer ? messages::kKeysPasswordsDiffer : read.error);
    return false;
  }
  *password = read.utf8.empty() ? TPassword(read.password) : TPassword(read.password, read.utf8);
  return true;
}

void WarnWhenShort(const TPassword& password, const char* warning) {
  std::string utf8;
  platform::WipeOnExit wipe{&utf8};
  if (password.ToUtf8(&utf8) && CharacterCount(utf8) < kShortPasswordCharacters)
    platform::WriteStandardError(warning);
}

int Finish(const TCliContext& context, const TOutcome& result, const std::string& done) {
  if (!result.ok()) {
    SayError(context, messages::FormatWithReason(result.problem.message.text,
                                                 result.problem.message.arguments, result.problem.reason));
    return kExitNotLocked;
  }
  platform::WriteStandardError(done);
  return kExitLocked;
}

// The owner's password: a new one for init, asked twice, else the one the
// keyring has.
bool ReadOwnerPassword(const TCliContext& context, const TCliCommand& command, TPassword* owner) {
  const bool init = command.keys_verb == "init";
  if (!Read(context, command.password_source, command.password_from, init,
            {init ? messages::kNewOwnerPasswordPrompt : messages::kOwnerPasswordPrompt,
             init ? messages::kNewOwnerPasswordPromptAgain : messages::kOwnerPasswordPromptAgain},
            owner))
    return false;
  if (init) WarnWhenShort(*owner, messages::kShortOwnerPassword);
  return true;
}

// The new password: a reader's (init, add, passwd NAME) or the owner's
// (passwd). The other verbs take none.
bool ReadNewPassword(const TCliContext& context, const TCliCommand& command, const std::string& name,
                     TPassword* fresh) {
  const std::string& verb = command.keys_verb;
  if (verb != "init" && verb != "add" && verb != "passwd") return true;
  const bool reader = !name.empty();
  const TPasswordPrompts prompts =
      reader ? TPasswordPrompts{messages::Format(messages::kReaderPasswordPrompt, {name}),
                                messages::Format(messages::kReaderPasswordPromptAgain, {name})}
             : TPasswordPrompts{messages::kNewOwnerPasswordPrompt, messages::kNewOwnerPasswordPromptAgain};
  if (!Read(context, command.new_password_source, command.new_password_from, true, prompts, fresh))
    return false;
  WarnWhenShort(*fresh, reader ? messages::kShortReaderPassword : messages::kShortOwnerPassword);
  return true;
}

// keys link: adds the link slot and shows its link (or its key alone).
int AddLink(const TCliContext& context, const TCliCommand& command, const std::string& name,
            const TPassword& owner) {
  const std::string& keyring = command.operands[0];
  std::string secret;
  platform::WipeOnExit wipe{&secret};
  const TOutcome result = AddKeyringLink(keyring, owner, name, &secret);
  if (result.ok()) {
    const std::string page = command.share_page.empty() ? kDefaultSharePage : command.share_page;
    std::string shown =
        command.share_url.empty() ? ShareKeyText(secret) : ShareLink(command.share_url, page, secret);
    platform::WriteStandardOutput(shown + "\n");
    platform::Wipe(&shown);
  }
  return Finish(context, result, messages::Format(messages::kKeysLinkDone, {name, keyring}));
}

// keys list: a line for each slot.
int List(const TCliContext& context, const TCliCommand& command, const TPassword& owner) {
  std::vector<TKeyringEntry> entries;
  const TOutcome result = ListKeyring(command.operands[0], owner, &entries);
  if (result.ok()) {
    std::string lines;
    for (const TKeyringEntry& entry : entries)
      lines += messages::Format(
          messages::kKeysListLine,
          {entry.kind == TKeyringSlotKind::Reader ? messages::kKeysReaderKind : messages::kKeysLinkKind,
           entry.created, entry.name});
    platform::WriteStandardOutput(lines);
  }
  return Finish(context, result, "");
}

// Makes the change the verb names, with the passwords read before.
int RunVerb(const TCliContext& context, const TCliCommand& command, const std::string& name,
            const TPassword& owner, const TPassword& fresh) {
  const std::string& verb = command.keys_verb;
  const std::string& keyring = command.operands[0];
  if (verb == "init")
    return Finish(context, CreateKeyring(keyring, owner, name, fresh),
                  messages::Format(messages::kKeysInitDone, {keyring, name}));
  if (verb == "add")
    return Finish(context, AddKeyringReader(keyring, owner, name, fresh),
                  messages::Format(messages::kKeysAddDone, {name, keyring}));
  if (verb == "remove")
    return Finish(context, RemoveKeyringSlot(keyring, owner, name, command.rotate),
                  messages::Format(command.rotate ? messages::kKeysRotateDone : messages::kKeysRemoveDone,
                                   {name, keyring}));
  if (verb == "passwd")
    return name.empty() ? Finish(context, ChangeKeyringOwnerPassword(keyring, owner, fresh),
                                 messages::Format(messages::kKeysOwnerPasswdDone, {keyring}))
                        : Finish(context, ChangeKeyringReaderPassword(keyring, owner, name, fresh),
                                 messages::Format(messages::kKeysReaderPasswdDone, {name, keyring}));
  if (verb == "link") return AddLink(context, command, name, owner);
  return List(context, command, owner);
}

}  // namespace

int RunKeysCommand(const TCliContext& context, const TCliCommand& command) {
  const std::string name = command.operands.size() > 1 ? command.operands[1] : "";
  if (!name.empty() && !KeyringNameIsValid(name)) {
    SayError(context, messages::kKeyringBadName);
    return kExitNotLocked;
  }
  TPassword owner = "";
  TPassword fresh = "";
  if (!ReadOwnerPassword(context, command, &owner)) return kExitNotLocked;
  if (!ReadNewPassword(context, command, name, &fresh)) return kExitNotLocked;
  return RunVerb(context, command, name, owner, fresh);
}
