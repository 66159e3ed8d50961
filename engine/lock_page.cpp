#include "engine/lock_page.h"

#include "engine/page_encoding.h"
#include "engine/settings.h"
#include "engine/template_installation.h"
#include "fileio/fast_io.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

namespace {

const char kTextExtension[] = ".txt";
const char kHtmlSuffix[] = ".html";

// A template file landing on the backup would leave no copy of the page.
bool TemplateWouldReplaceBackup(const std::string& template_folder, const std::string& page_path,
                                const std::string& backup_path) {
  for (const auto& destination : TemplateDestinations(template_folder, page_path)) {
    if (destination == backup_path || platform::SameFile(destination, backup_path)) {
      messages::ShowError(messages::Format(messages::kBackupInTemplate, {backup_path, destination}));
      return true;
    }
  }
  return false;
}

// Finds the payload area: from 14 bytes after the first byte of the start
// marker up to the first byte of the end marker.
bool FindPayloadArea(TFastIO& page, std::uint32_t* begin, std::uint32_t* end) {
  if (!page.FindText(kPageBeginMarker, kMarkerSearchLimit)) return false;
  const std::uint32_t marker = page.Position;
  if (!page.FindText(kPageEndMarker, kMarkerSearchLimit)) return false;
  // Markers on one line would make the area end before it begins.
  if (page.Position < marker + kPayloadOffset) return false;
  *begin = marker + kPayloadOffset;
  *end = page.Position;
  return true;
}

// The encoder stops at the first 0 it reads, and a failed read reads as 0
// too. True when the data really ended: at the end of the file, or at a zero
// byte in it.
bool SourceReadToItsEnd(TFastIO& source) {
  std::uint32_t size = 0;
  if (!platform::FileSize(source.Handle, &size)) return false;
  const std::uint32_t last = source.Position - 1;
  if (last >= size) return true;
  source.Position = last;
  const bool zero_byte =
      source.PeekChar() == 0 && last >= source.WindowStart && last - source.WindowStart < source.WindowLength;
  return zero_byte;
}

}  // namespace

bool LockPage(const std::string& template_name, const std::string& backup_path, const std::string& page_path,
              const std::string& password) {
  // An empty password would encode nothing at all; the callers never pass
  // one, and the engine refuses it too.
  if (password.empty()) {
    messages::ShowError(messages::kPasswordNotEntered);
    return false;
  }
  if (platform::FileExtension(page_path) != kTextExtension) {
    return BuildLockedPage(template_name, backup_path, page_path, password, false);
  }
  const std::string html_path = page_path + kHtmlSuffix;
  // Moving onto an existing file would lock that file instead, and lose it.
  if (platform::PathExists(html_path)) {
    messages::ShowError(messages::Format(messages::kCannotRename, {page_path, html_path}));
    return false;
  }
  // A failed move shows up in the next step: the page cannot be copied.
  platform::RenameFile(page_path, html_path);
  return BuildLockedPage(template_name, backup_path, html_path, password, true);
}

bool BuildLockedPage(const std::string& template_name, const std::string& backup_path,
                     const std::string& page_path, const std::string& password, bool wrap) {
  // Without a name the template folder would be the templates folder itself.
  if (template_name.empty()) {
    messages::ShowError(messages::kWrongTemplate);
    return false;
  }
  if (platform::PathExists(backup_path)) {
    const auto answer = platform::ShowMessage(
        {messages::kQuestionCaption, messages::Format(messages::kBackupExists, {backup_path}),
         platform::MessageIcon::Warning, platform::MessageButtons::YesNo});
    if (answer != platform::MessageAnswer::Yes) return false;
  }
  // No copy of the page, no lock: the template must never replace the page
  // while its bytes exist nowhere else.
  if (!platform::CopyFileReplacing(page_path, backup_path)) {
    messages::ShowError(messages::Format(messages::kCannotCopyToBackup, {page_path, backup_path}));
    return false;
  }
  const std::string template_folder = TemplatesDir + template_name + platform::PathSeparator();
  if (TemplateWouldReplaceBackup(template_folder, page_path, backup_path)) return false;
  InstallTemplate(template_folder, page_path);

  TFastIO source;
  TFastIO page;
  if (!source.Open(backup_path) || !page.Open(page_path)) return false;
  std::uint32_t begin = 0;
  std::uint32_t end = 0;
  if (!FindPayloadArea(page, &begin, &end)) {
    source.Close();
    page.Close();
    messages::ShowError(messages::kWrongTemplate);
    return false;
  }
  const std::string block = BuildPageBlock(source, password, wrap);
  if (!SourceReadToItsEnd(source)) return false;
  page.Position = begin;
  return page.Splice(block, static_cast<std::int32_t>(end - begin));
}
