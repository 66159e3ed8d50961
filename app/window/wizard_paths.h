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

// The locked site is a new folder beside its source, never inside it.
inline constexpr char kLockedSiteSuffix[] = " (locked)";

// True when `inner` is `outer` or lies below it; both are full paths of
// folders, with or without a final separator, compared as the system
// compares names.
bool FolderInside(const std::string& outer, const std::string& inner);

// The output suggested for the site in the folder `source` (a full path):
// its name + kLockedSiteSuffix in `remembered` (the folder the last locked
// site went into), or beside the source when nothing is remembered or the
// remembered folder lies inside the source.
std::string SuggestedSiteOutput(const std::string& source, const std::string& remembered);
