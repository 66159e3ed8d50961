// Which protection a template gives, read once when the template is found
// (TTemplateLibrary), before anything is locked.
#pragma once

#include <optional>
#include <string>

#include "engine/template/payload_area.h"

// The protection the template start page at `start_page_path` asks for.
// None when the file cannot be read or holds no payload area; the lock says
// why when it is tried.
std::optional<TProtection> ReadTemplateProtection(const std::string& start_page_path);
