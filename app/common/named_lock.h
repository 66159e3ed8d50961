// One lock as the program's front ends start it: the template is named, and
// found in the template library first.
#pragma once

#include <string>

#include "engine/lock_result.h"
#include "engine/password.h"
#include "engine/run_observer.h"
#include "engine/template_library.h"

// Locks `page` with the template called `template_name` in `templates`. A
// name that finds no template fails the lock with the library's message,
// before anything is touched.
TLockResult LockWithNamedTemplate(const TTemplateLibrary& templates, const std::string& template_name,
                                  const std::string& page, const std::string& backup,
                                  const TPassword& password, TRunObserver& observer);
