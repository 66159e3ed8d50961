// The templates a lock can use: folders whose "index.html" start page takes
// the place of the page being locked. The library is the folder of named
// templates beside the program, made once at start-up and handed to
// whoever needs it; a template folder elsewhere can be opened by its path.
#pragma once

#include <string>
#include <vector>

#include "engine/lock_message.h"

// The start page of every template.
inline constexpr char kTemplateStartPage[] = "index.html";

// A template found: its name and its folder.
struct TTemplate {
  std::string name;
  // Ends in the path separator.
  std::string folder;

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

  // The template called `name`. False, with the message in `why`, when the
  // name is no folder name (empty, "." or "..", or with a path in it:
  // kNotATemplateName) or the folder holds no regular start page
  // (kTemplateNotFound).
  bool Find(const std::string& name, TTemplate* found, TLockMessage* why) const;

  // The template in the folder at `path` (with or without a trailing
  // separator); its name is the folder's own. False, with the message in
  // `why`, when the path is empty (kNotATemplateName) or the folder holds
  // no regular start page (kTemplateNotFound).
  static bool OpenFolder(const std::string& path, TTemplate* found, TLockMessage* why);

 private:
  std::string folder_;
};
