#include "app/common/template_choice.h"

#include "app/common/lock_messages.h"
#include "platform/path_kind.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

constexpr char kSourceHide[] = "Source Hide";

bool HoldsSeparator(const std::string& text) {
  return text.find('/') != std::string::npos || text.find(platform::PathSeparator()) != std::string::npos;
}

std::string Catalogue(const TTemplateLibrary& library) {
  std::string names;
  for (const std::string& name : library.Names()) names += (names.empty() ? "" : ", ") + name;
  return messages::Format(messages::kTemplatesThatExist, {names.empty() ? "none" : names});
}

}  // namespace

bool ChooseTemplate(const std::string& name_or_folder, const TTemplateLibrary& library, TTemplate* chosen,
                    std::string* why) {
  TValueOr<TTemplate> found;
  if (!HoldsSeparator(name_or_folder)) {
    found = library.Find(name_or_folder);
    if (found.ok()) {
      *chosen = std::move(found.value);
      return true;
    }
  }
  if (HoldsSeparator(name_or_folder) ||
      platform::KindOfPath(name_or_folder) == platform::PathKind::Directory) {
    found = TTemplateLibrary::OpenFolder(name_or_folder);
    if (found.ok()) {
      *chosen = std::move(found.value);
      return true;
    }
    *why = FormatMessage(found.problem.message);
    return false;
  }
  *why = FormatMessage(found.problem.message) + "\n" + Catalogue(library);
  return false;
}

bool IsStrongTemplate(const TTemplate& chosen) { return chosen.protection == TProtection::Strong; }

bool WarnsAsSourceHiding(const TTemplate& chosen) {
  if (platform::SameTextIgnoringCase(chosen.name, kSourceHide)) return false;
  // A start page that cannot be read is the lock's to report.
  return chosen.protection == TProtection::Xor;
}

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (const unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}
