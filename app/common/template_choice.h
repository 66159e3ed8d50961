// The template a terminal command names, and whether to warn that it only
// hides the page's source.
#pragma once

#include <cstddef>
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

// The password that the wizard presets and the manual publishes: it opens a
// Source Hide page without asking, and must never guard a strong page.
inline constexpr char kPublishedPassword[] = "pagekey";

// A strong template's password shorter than this many characters is warned
// about: the locked page can be tried offline without limit.
inline constexpr std::size_t kShortPasswordCharacters = 10;

// The number of characters (UTF-8 sequences) of `utf8`.
std::size_t CharacterCount(const std::string& utf8);
