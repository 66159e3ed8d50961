// The name rules of the wizard: which part of a path is shown, which backup
// name is suggested for a page, and where a lock leaves the locked page.
#pragma once

#include <string>

// The file-name part of a path: everything after its last directory
// separator (the whole path when it holds none).
std::string FileNamePart(const std::string& path);

// The directory part of a path, with its trailing separator; empty when the
// path holds no separator.
std::string DirectoryPart(const std::string& path);

// The extension of a path's file-name part: from its last "." to the end,
// the dot included; empty when the name holds no ".".
std::string FileExtension(const std::string& path);

// The backup name suggested for a page named `name` (a file-name part):
// "notes" gives "notes_original.html", "index.html" gives
// "index_original.html", ".htaccess" gives "_original.htaccess".
std::string SuggestedBackupName(const std::string& name);

// Where the lock of `page_path` leaves the locked page: the page itself, or
// for a page whose extension is exactly ".txt", its path with ".html" added.
std::string LockedPagePath(const std::string& page_path);
