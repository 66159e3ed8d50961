// Creating a file that must not exist yet, and the system's own words for
// why the last call failed. Kept beside platform.h so that programs which
// must never overwrite anything have one door for it.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

// Creates a new file for writing, with no sharing. kInvalidHandle when
// anything (a file, a folder, a link) already exists at `path`, or it cannot
// be created; nothing existing is ever changed.
FileHandle CreateNewFile(const std::string& path);

// The system's text for the error of the last failed call on this thread
// ("No such file or directory", "Access is denied."), without a line end.
// Call it right after the failure, before any other system call.
std::string LastErrorText();

}  // namespace platform
