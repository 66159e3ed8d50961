// Which protection a template gives, read before anything is locked: the
// wizard says it on Step Three and checks the password against it.
#pragma once

#include <string>

#include "engine/template/payload_area.h"

// The protection the template start page at `start_page_path` asks for.
// False when the file cannot be read or holds no payload area; the lock
// says why when it is tried.
bool ReadTemplateProtection(const std::string& start_page_path, TProtection* protection);
