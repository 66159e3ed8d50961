// Folder trees on Windows: testing, removing, renaming and swapping folders.
#include <windows.h>

#include <string>

#include "platform/fault_injection.h"
#include "platform/path_parts.h"
#include "platform/platform.h"

namespace platform {
namespace {

// A read-only file or folder refuses to be removed until the flag goes.
void ClearReadOnly(const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// Removes everything inside `folder` (ending in the separator). A reparse
// point is removed itself, never entered.
bool EmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool ok = true;
  DWORD saved = NO_ERROR;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + name;
    ClearReadOnly(path, data.dwFileAttributes);
    const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    bool removed;
    if (directory && !link)
      removed = EmptyFolder(path + "\\") && RemoveDirectoryA(path.c_str());
    else if (directory)
      removed = RemoveDirectoryA(path.c_str()) != 0;
    else
      removed = DeleteFileA(path.c_str()) != 0;
    if (!removed) {
      saved = GetLastError();
      ok = false;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  if (!ok) SetLastError(saved);
  return ok;
}

// Flushes every file inside `folder` (ending in the separator); reparse
// points are neither entered nor flushed. A read-only file is made
// writable for its flush, then read-only again.
bool FlushFiles(const std::string& folder) {
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((folder + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool ok = true;
  DWORD saved = NO_ERROR;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    const std::string path = folder + name;
    bool flushed;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      flushed = FlushFiles(path + "\\");
    } else {
      ClearReadOnly(path, data.dwFileAttributes);
      const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      flushed = h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) != 0;
      if (!flushed) saved = GetLastError();
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), data.dwFileAttributes);
    }
    if (!flushed) {
      if (saved == NO_ERROR) saved = GetLastError();
      ok = false;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  if (!ok) SetLastError(saved);
  return ok;
}

}  // namespace

bool FlushTree(const std::string& path) {
  if (faults::Next(faults::Call::Flush) != faults::Failure::None) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return FlushFiles(WithoutFinalSeparator(path) + "\\");
}

bool FlushFolder(const std::string& /*path*/) {
  if (faults::Next(faults::Call::Flush) != faults::Failure::None) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveTree(const std::string& path) {
  const std::string folder = WithoutFinalSeparator(path);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  ClearReadOnly(folder, attributes);
  return EmptyFolder(folder + "\\") && RemoveDirectoryA(folder.c_str());
}

bool MoveFolder(const std::string& from, const std::string& to) {
  if (faults::Next(faults::Call::Rename) != faults::Failure::None) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  // Without MOVEFILE_REPLACE_EXISTING an existing target is refused.
  return MoveFileExA(WithoutFinalSeparator(from).c_str(), WithoutFinalSeparator(to).c_str(), 0) != 0;
}

bool ExchangeFolders(const std::string& a, const std::string& b) {
  if (faults::Next(faults::Call::Rename) != faults::Failure::None) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  // Windows has no atomic swap of folders: three renames, each undone when
  // a later one fails.
  const std::string first = WithoutFinalSeparator(a);
  const std::string second = WithoutFinalSeparator(b);
  const std::string aside = first + "~swap~";
  if (!MoveFileExA(first.c_str(), aside.c_str(), 0)) return false;
  if (!MoveFileExA(second.c_str(), first.c_str(), 0)) {
    const DWORD saved = GetLastError();
    MoveFileExA(aside.c_str(), first.c_str(), 0);
    SetLastError(saved);
    return false;
  }
  if (!MoveFileExA(aside.c_str(), second.c_str(), 0)) {
    const DWORD saved = GetLastError();
    MoveFileExA(first.c_str(), second.c_str(), 0);
    MoveFileExA(aside.c_str(), first.c_str(), 0);
    SetLastError(saved);
    return false;
  }
  return true;
}

std::string FullPath(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  char buffer[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (n == 0 || n >= MAX_PATH) return {};
  return WithoutFinalSeparator(std::string(buffer, n));
}

bool SameFileName(const std::string& a, const std::string& b) { return SameTextIgnoringCase(a, b); }

}  // namespace platform
