// Opens a document (a locked page, a template's start page, the manual) in
// the user's browser: the shell's "open" first, then the browser command,
// then a last resort. Nothing is reported and nothing is waited for.
#pragma once

#include <stdexcept>
#include <string>

#include "app/common/start_up.h"
#include "engine/template_library.h"

// Raised when the HTML open command in the registry is not a string.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Opens `path` in the browser.
void OpenDocument(const std::string& path);

// The browser command: on Windows the unnamed value of
// HKEY_CLASSES_ROOT\htmlfile\shell\open\command as read ("explorer" when the
// key is missing; ERegistryException when it is not a string); on Linux
// $BROWSER.
std::string GetBrowserCommand();

// The command line that runs the browser `command` on `path`. Every real
// HTML open command holds a placeholder for the document: the first "%1" or
// "%L" is replaced by the path (bare inside quotes the command already has,
// quoted otherwise). A command without one gets a space and the quoted path
// after it.
std::string BrowserCommandLine(const std::string& command, const std::string& path);

// Opens the manual installed beside the program: its folder + "Manual" +
// separator + "index.html".
void OpenManual(const TStartUp& start_up);

// Opens the start page of the template called `name`: the library's folder
// + name + separator + "index.html", as it is, even for an empty name.
void PreviewTemplate(const TTemplateLibrary& templates, const std::string& name);
