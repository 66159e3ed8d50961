// The name rules of the wizard: which part of a path is shown, which backup
// name is suggested for a page and where, and where a lock leaves the locked
// page.
#pragma once

#include <string>

// The backup name suggested for a page named `name` (a file-name part):
// "notes" gives "notes_original.html", "index.html" gives
// "index_original.html", ".htaccess" gives "_original.htaccess".
std::string SuggestedBackupName(const std::string& name);

// Where the lock of `page_path` leaves the locked page: the page itself, or
// for a page whose extension is exactly ".txt", its path with ".html" added.
std::string LockedPagePath(const std::string& page_path);

// The backup is the page in clear, so the wizard keeps it out of the folder
// that gets published: in this folder of the user's documents.
inline constexpr char kBackupsFolderName[] = "Zendrel Backups";

// The folder the wizard suggests backups in: kBackupsFolderName in
// `documents_folder` (which ends in the separator), ending in the separator.
// Empty when `documents_folder` is.
std::string BackupsFolderIn(const std::string& documents_folder);

// True when `backup_path` lies in the folder of `page_path` or in a folder
// below it, the names compared as the system compares them: publishing the
// page's folder would publish the backup. Both are full paths.
bool BackupInsidePageFolder(const std::string& page_path, const std::string& backup_path);
