#include "app/template_choice.h"

#include "engine/payload_area.h"
#include "engine/settings.h"
#include "fileio/fast_io.h"
#include "platform/path_kind.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"

namespace {

constexpr char kSourceHide[] = "Source Hide";

bool HoldsSeparator(const std::string& text) {
  return text.find('/') != std::string::npos || text.find(platform::PathSeparator()) != std::string::npos;
}

std::string Catalogue() {
  std::string names;
  for (const std::string& name : TemplateCatalogue(TemplatesDir)) names += (names.empty() ? "" : ", ") + name;
  return messages::Format(messages::kTemplatesThatExist, {names.empty() ? "none" : names});
}

bool HasStartPage(const std::string& folder) {
  return platform::KindOfPath(folder + kTemplateStartPage) == platform::PathKind::Regular;
}

// The template in the folder at `path`, named after the folder.
bool OpenFolder(std::string path, TTemplate* chosen, std::string* why) {
  const char separator = platform::PathSeparator();
  while (path.size() > 1 && (path.back() == '/' || path.back() == separator)) path.pop_back();
  const std::string folder = path + separator;
  if (!HasStartPage(folder)) {
    *why = messages::Format(messages::kTemplateNotFound, {path, folder + kTemplateStartPage});
    return false;
  }
  *chosen = {platform::FileNamePart(path), folder};
  return true;
}

}  // namespace

bool ChooseTemplate(const std::string& name_or_folder, TTemplate* chosen, std::string* why) {
  const std::string folder = TemplatesDir + name_or_folder + platform::PathSeparator();
  if (!HoldsSeparator(name_or_folder) && name_or_folder != "." && name_or_folder != ".." &&
      HasStartPage(folder)) {
    *chosen = {name_or_folder, folder};
    return true;
  }
  if (HoldsSeparator(name_or_folder) || platform::KindOfPath(name_or_folder) == platform::PathKind::Directory)
    return OpenFolder(name_or_folder, chosen, why);
  *why = messages::Format(messages::kTemplateNotFound, {name_or_folder, folder + kTemplateStartPage}) + "\n" +
         Catalogue();
  return false;
}

bool IsStrongTemplate(const TTemplate& chosen) {
  TFastIO start_page;
  TPayloadArea area;
  return start_page.Open(chosen.StartPage()) && FindPayloadArea(start_page, &area) &&
         area.protection == TProtection::Strong;
}

bool WarnsAsSourceHiding(const TTemplate& chosen) {
  if (platform::SameTextIgnoringCase(chosen.name, kSourceHide)) return false;
  TFastIO start_page;
  TPayloadArea area;
  // A start page that cannot be read is the lock's to report.
  if (!start_page.Open(chosen.StartPage()) || !FindPayloadArea(start_page, &area)) return false;
  return area.protection == TProtection::Xor;
}
