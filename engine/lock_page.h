// The one entry into the lock engine: keeps a byte copy of the page in the
// backup file, installs the template over the page, and splices the encoded
// page into the template start page's payload area. Every problem it meets
// is shown in its own message box; the caller learns only the result.
#pragma once

#include <string>

// The payload area of a template start page lies between these markers.
inline constexpr char kPageBeginMarker[] = "//Page Begin";
inline constexpr char kPageEndMarker[] = "//Page End";
// Both markers must begin within this many bytes (of the file's start, and
// of the start marker).
inline constexpr unsigned kMarkerSearchLimit = 30000;
// The block is written this many bytes after the start marker's first byte:
// the marker and the CR LF that ends its line stay.
inline constexpr unsigned kPayloadOffset = 14;

// Locks the page at `page_path` with the template `template_name` (a folder
// of TemplatesDir). A page whose name ends in ".txt" is first renamed to its
// name with ".html" appended and wrapped as text. True when the locked page
// was written; the backup then holds the page's former bytes.
bool LockPage(const std::string& template_name, const std::string& backup_path, const std::string& page_path,
              const std::string& password);

// Does the work for LockPage on a page path that is already final.
bool BuildLockedPage(const std::string& template_name, const std::string& backup_path,
                     const std::string& page_path, const std::string& password, bool wrap);
