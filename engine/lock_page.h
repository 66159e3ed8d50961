// The one entry into the lock engine: keeps a byte copy of the page in the
// backup file, copies the template's other files beside the page, and puts
// the template start page with the encoded page in its payload area in the
// page's place, in one atomic step. Every problem it meets is shown in its
// own message box, with the system's reason where there is one; the caller
// learns only the result.
//
// Until the final replace the page is exactly what it was; after it, the
// page is the finished locked page. The backup is the page's former bytes or
// the old backup, never a part of either. A failed lock leaves no temporary
// file; the template's other files that were copied before the failure stay.
#pragma once

#include <string>

#include "engine/lock_progress.h"
#include "engine/password.h"

#include "engine/payload_area.h"

// The locked page is built in the page's name with this appended, created
// exclusively: it is also the guard that keeps two locks of one page apart.
// The backup is copied through the backup's name with it appended.
inline constexpr char kLockTemporarySuffix[] = "~temp~";

// Locks the page at `page_path` with the template `template_name` (a folder
// of TemplatesDir). A page whose name ends in ".txt" is first renamed to its
// name with ".html" appended and wrapped as text; a failed lock renames it
// back. True when the locked page was written; the backup then holds the
// page's former bytes. `progress`, when set, hears how far the page's block
// has come while it is streamed.
bool LockPage(const std::string& template_name, const std::string& backup_path, const std::string& page_path,
              const TPassword& password, const TLockProgress& progress = {});

// Does the work for LockPage on a page path that is already final.
bool BuildLockedPage(const std::string& template_name, const std::string& backup_path,
                     const std::string& page_path, const TPassword& password, bool wrap,
                     const TLockProgress& progress = {});
