// The templates a lock can use: folders whose "index.html" start page takes
// the place of the page being locked. The library is the folder of named
// templates beside the program, made once at start-up and handed to
// whoever needs it; a template folder elsewhere can be opened by its path.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/outcome.h"

// The start page of every template.
inline constexpr char kTemplateStartPage[] = "index.html";

// What a template's start page asks for: the XOR block, which only hides
// the page's source, or the strong block (a password-derived key).
enum class TProtection { Xor, Strong };

// A template found: its name, its folder, and the protection its start page
// asks for, read once when it is found.
struct TTemplate {
  std::string name;
  // Ends in the path separator.
  std::string folder;
  // Empty when the start page cannot be read or holds no payload area: the
  // lock says why when it is tried.
  std::optional<TProtection> protection;

  std::string StartPage() const { return folder + kTemplateStartPage; }
};

class TTemplateLibrary {
 public:
  // `templates_dir` ends in the path separator.
  explicit TTemplateLibrary(std::string templates_dir) : folder_(std::move(templates_dir)) {}

  // The folder of the named templates, ending in the separator.
  const std::string& Folder() const { return folder_; }

  // The template names offered to the user: the subfolders that are
  // neither hidden nor system, in listing order, without "." and "..".
  // Empty when the folder cannot be listed.
  std::vector<std::string> Names() const;

  // The template called `name`; the problem when the name is no folder name
  // (empty, "." or "..", or with a path in it: kNotATemplateName) or the
  // folder holds no regular start page (kTemplateNotFound).
  TValueOr<TTemplate> Find(const std::string& name) const;

  // The template in the folder at `path` (with or without a trailing
  // separator); its name is the folder's own. The problem when the path is
  // empty (kNotATemplateName) or the folder holds no regular start page
  // (kTemplateNotFound).
  static TValueOr<TTemplate> OpenFolder(const std::string& path);

 private:
  std::string folder_;
};
