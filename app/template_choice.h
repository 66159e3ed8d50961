// The template a terminal command names, and whether to warn that it only
// hides the page's source.
#pragma once

#include <string>

#include "engine/template_library.h"

// `name_or_folder` is a name of the library, or the path of a template folder
// when it holds a path separator or names a folder that is no template of
// the library (a name of the library wins over a folder of the same name in
// the current folder; write ./Light for that one). False with `*why` in words
// when neither gives a template; for a name, `*why` ends with the names of
// the templates that exist.
bool ChooseTemplate(const std::string& name_or_folder, const TTemplateLibrary& library, TTemplate* chosen,
                    std::string* why);

// True when the template's start page asks for the strong protection (a
// password-derived key); false for the XOR block, which only hides the
// source from a casual look, and for a start page that cannot be read (the
// lock reports that).
bool IsStrongTemplate(const TTemplate& chosen);

// True for a template that only hides the source, unless it is Source Hide,
// whose whole point that is.
bool WarnsAsSourceHiding(const TTemplate& chosen);
