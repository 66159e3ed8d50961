#include "platform/path_parts.h"

#include "platform/platform.h"

namespace platform {
namespace {

std::string::size_type LastSeparator(const std::string& path) {
  return PathSeparator() == '\\' ? path.find_last_of("\\/:") : path.find_last_of('/');
}

std::string::size_type NameStart(const std::string& path) {
  const auto at = LastSeparator(path);
  return at == std::string::npos ? 0 : at + 1;
}

// Where the extension of the file-name part starts; npos when it has none.
std::string::size_type ExtensionStart(const std::string& path) {
  const auto dot = path.rfind('.');
  return dot == std::string::npos || dot < NameStart(path) ? std::string::npos : dot;
}

}  // namespace

std::string FileNamePart(const std::string& path) { return path.substr(NameStart(path)); }

std::string FolderPart(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string FileExtension(const std::string& path) {
  const auto dot = ExtensionStart(path);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
  return path.substr(0, ExtensionStart(path)) + extension;
}

std::string WithoutFinalSeparator(std::string path) {
  const bool windows = PathSeparator() == '\\';
  const auto is_separator = [&](char c) { return c == '/' || (windows && c == '\\'); };
  const auto is_drive_root = [&] { return windows && path.size() == 3 && path[1] == ':'; };
  while (path.size() > 1 && is_separator(path.back()) && !is_drive_root()) path.pop_back();
  return path;
}

}  // namespace platform
