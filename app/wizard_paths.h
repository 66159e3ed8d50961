// The name rules of the wizard: which part of a path is shown, which backup
// name is suggested for a page, and where a lock leaves the locked page.
#pragma once

#include <string>

// The backup name suggested for a page named `name` (a file-name part):
// "notes" gives "notes_original.html", "index.html" gives
// "index_original.html", ".htaccess" gives "_original.htaccess".
std::string SuggestedBackupName(const std::string& name);

// Where the lock of `page_path` leaves the locked page: the page itself, or
// for a page whose extension is exactly ".txt", its path with ".html" added.
std::string LockedPagePath(const std::string& page_path);
