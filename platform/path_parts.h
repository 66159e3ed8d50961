// The parts of a path, by the system's own separators: "\", "/" and a drive
// colon on Windows, "/" elsewhere. Paths are byte strings; nothing here
// touches the file system.
#pragma once

#include <string>

namespace platform {

// What a file or folder is written under until it is complete, appended to
// its final name: the page lock's locked page and backup copy and the site
// lock's folder end in it.
inline constexpr char kTemporarySuffix[] = "~temp~";

// Everything after the path's last separator (the whole path when it holds
// none).
std::string FileNamePart(const std::string& path);

// Everything up to and including the path's last separator; empty when the
// path holds none.
std::string FolderPart(const std::string& path);

// The extension of the file-name part: from its last "." to the end, the
// dot included; empty when the name holds no ".".
std::string FileExtension(const std::string& path);

// The path with the extension of its file-name part replaced by
// `extension` (which brings its own dot), or with it added when the name has
// none.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// The path without the separators it ends in; a root keeps its own ("/",
// and on Windows "\" or a drive's "C:\", which without it would name the
// drive's current folder).
std::string WithoutFinalSeparator(std::string path);

}  // namespace platform
