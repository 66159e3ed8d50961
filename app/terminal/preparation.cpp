#include "app/terminal/commands.h"
#include "app/terminal/password_reading.h"
#include "app/common/template_choice.h"
#include "platform/terminal.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

void SayError(const TCliContext& context, const std::string& text) {
  platform::WriteStandardError(context.program + ": " + text + "\n");
}

bool PrepareLock(const TCliContext& context, const TCliCommand& command, TCliPreparation* prepared) {
  std::string why;
  if (!ChooseTemplate(command.template_, context.start_up.templates, &prepared->chosen, &why)) {
    SayError(context, why);
    return false;
  }
  prepared->strong = IsStrongTemplate(prepared->chosen);
  if (!command.share_url.empty() && !prepared->strong) {
    SayError(context, messages::Format(messages::kShareNeedsStrong, {prepared->chosen.name}));
    return false;
  }
  // A keyring's slots live in the strong block only.
  if (!command.keyring.empty() && !prepared->strong) {
    SayError(context, messages::Format(messages::kKeyringNeedsStrong, {prepared->chosen.name}));
    return false;
  }
  if (WarnsAsSourceHiding(prepared->chosen))
    platform::WriteStandardError(messages::Format(messages::kXorTemplateWarning, {prepared->chosen.name}));
  // A dry run writes nothing, so it needs no password.
  if (command.dry_run) return true;
  // A keyring's owner password exists already: asked once.
  TPasswordRead read = ReadPassword(command.password_source, command.password_from, command.keyring.empty());
  if (read.status != TPasswordStatus::Ok) {
    SayError(context, read.error);
    return false;
  }
  // A password read as wide characters keeps its UTF-8 form for the strong
  // key, so that no character outside the code page is lost.
  prepared->password = read.utf8.empty() ? TPassword(std::move(read.password))
                                         : TPassword(std::move(read.password), std::move(read.utf8));
  // The strong template's checks, as the wizard makes them; a keyring's
  // readers have their own passwords, checked when they are added.
  if (prepared->strong && command.keyring.empty()) {
    if (prepared->password.Typed() == kPublishedPassword) {
      SayError(context, messages::kPublishedDefaultPassword);
      return false;
    }
    std::string utf8;
    if (prepared->password.ToUtf8(&utf8) && CharacterCount(utf8) < kShortPasswordCharacters)
      platform::WriteStandardError(messages::kShortStrongPassword);
  }
  return true;
}
