// Where the wizard keeps the backup. The backup is the page in clear, so it
// is suggested outside the folder that gets published, and a backup chosen
// inside it is named on the Last Step before Create. A site's backup is its
// own folder; its locked copy goes where the last one went, and the choices
// made for it are remembered.
#include <cstring>

#include "app/window/win32/main_form.h"
#include "app/window/wizard_paths.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

using namespace main_form_ids;

void TMainForm::SuggestBackup() {
  // Choosing the page always suggests its backup, replacing any backup
  // chosen before. Without a documents folder it goes beside the page.
  const std::string backup = SuggestedBackupName(platform::FileNamePart(OpenDialog.FileName));
  SetText(DestLabel, backup);
  const std::string folder =
      BackupsFolder.empty() ? platform::FolderPart(OpenDialog.FileName) : BackupsFolder;
  SaveDialog.FileName = folder + backup;
}

void TMainForm::MakeBackupsFolderFor(const std::string& backup_path) {
  if (BackupsFolder.empty() || platform::FolderPart(backup_path) != BackupsFolder) return;
  std::string folder = BackupsFolder;
  folder.pop_back();
  if (!platform::PathExists(folder)) platform::MakeDirectory(folder);
}

void TMainForm::ShowBackupWarning() {
  const bool inside = Text(SourceLabel) != messages::kNotSelected &&
                      Text(DestLabel) != messages::kNotSelected &&
                      BackupInsidePageFolder(OpenDialog.FileName, SaveDialog.FileName);
  SetText(BackupWarningLabel, inside ? messages::kBackupInPageFolder : "");
}

// A site's backup is its own folder, which the lock never changes; the
// locked site goes to a new folder beside it, or into the folder the last
// one went to.
void TMainForm::SuggestSiteOutput() {
  std::string remembered = RememberedSetting("SiteOutputFolder");
  if (!remembered.empty() && !platform::PathExists(remembered)) remembered.clear();
  OutputDialog.FileName = SuggestedSiteOutput(SiteDialog.FileName, remembered);
  SetText(DestLabel, platform::FileNamePart(OutputDialog.FileName));
  const std::string template_name = RememberedSetting("SiteTemplate");
  HWND templates = Control(SiteTemplatesComboBox);
  const LRESULT found = template_name.empty()
                            ? CB_ERR
                            : SendMessageA(templates, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(template_name.c_str()));
  if (found != CB_ERR) SendMessageA(templates, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

// The choices are kept where a Windows program keeps its settings: the
// user's part of the registry, under SettingsKey.
std::string TMainForm::RememberedSetting(const char* name) const {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char value[MAX_PATH * 4] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  const LONG read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS || type != REG_SZ) return {};
  return std::string(value, strnlen(value, size));
}

void TMainForm::RememberSetting(const char* name, const std::string& value) const {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  // Not remembered is no failure: the next suggestion is the plain one.
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}
