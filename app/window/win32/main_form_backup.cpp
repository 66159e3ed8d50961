// Where the wizard keeps the backup. The backup is the page in clear, so it
// is suggested outside the folder that gets published, and a backup chosen
// inside it is named on the Last Step before Create.
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
