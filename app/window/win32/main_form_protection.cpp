// What the selected template protects, shown on Step Three, and the
// password the lock gets for it.
#include "app/common/template_choice.h"
#include "app/window/win32/main_form.h"
#include "engine/template_library.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

using namespace main_form_ids;

bool TMainForm::SelectedProtection(TProtection* protection) const {
  const TValueOr<TTemplate> found = start_up_.templates.Find(SelectedTemplate());
  if (!found.ok() || !found.value.protection) return false;
  *protection = *found.value.protection;
  return true;
}

void TMainForm::ShowTemplateProtection() {
  TProtection protection = TProtection::Xor;
  const char* note = "";
  if (SelectedProtection(&protection))
    note = protection == TProtection::Strong ? messages::kStrongProtectionNote : messages::kSourceHidingNote;
  SetText(ProtectionLabel, note);
}

bool TMainForm::PasswordForLock(std::string* typed, std::string* utf8) {
  // The lock engine is never entered with an empty password.
  *typed = Text(PassEdit);
  if (typed->empty()) {
    messages::ShowError(messages::kPasswordNotEntered);
    ShowPage(2);
    return false;
  }
  TProtection protection = TProtection::Xor;
  if (*typed == kPublishedPassword && SelectedProtection(&protection) && protection == TProtection::Strong) {
    messages::ShowError(messages::kPublishedDefaultPassword);
    ShowPage(2);
    return false;
  }
  // The XOR block is made of the ANSI bytes, as its format needs; a strong
  // key takes every character as typed, read as wide text.
  *utf8 = TextUtf8(PassEdit);
  return true;
}
