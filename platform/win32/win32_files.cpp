// Files and directories on the Windows kernel interface (the A functions).
#include <windows.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace platform {
namespace {

using faults::Call;
using faults::Failure;

// Counts the call; an injected failure leaves an error code as a real one
// would, so that the message built from it names a cause.
Failure Injected(Call call) {
  const Failure failure = faults::Next(call);
  if (failure != Failure::None)
    SetLastError(failure == Failure::Partway ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
  return failure;
}

bool FailsBefore(Call call) { return Injected(call) != Failure::None; }

HANDLE ToHandle(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

FileHandle FromHandle(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<FileHandle>(h);
}

FileHandle Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return FromHandle(
      CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

FileHandle OpenForReading(const std::string& path) {
  if (FailsBefore(Call::OpenForReading)) return kInvalidHandle;
  return Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

FileHandle OpenRegularForReading(const std::string& path, std::uint64_t* size) {
  *size = 0;
  if (FailsBefore(Call::OpenForReading)) return kInvalidHandle;
  const FileHandle h = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (h == kInvalidHandle) return h;
  LARGE_INTEGER bytes;
  if (GetFileType(ToHandle(h)) != FILE_TYPE_DISK || !GetFileSizeEx(ToHandle(h), &bytes)) {
    CloseHandle(ToHandle(h));
    SetLastError(ERROR_INVALID_PARAMETER);
    return kInvalidHandle;
  }
  *size = static_cast<std::uint64_t>(bytes.QuadPart);
  return h;
}

FileHandle OpenForReadWrite(const std::string& path) {
  if (FailsBefore(Call::OpenForReadWrite)) return kInvalidHandle;
  return Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
}

FileHandle CreateReplacing(const std::string& path) {
  if (FailsBefore(Call::CreateReplacing)) return kInvalidHandle;
  return Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
}

FileHandle CreateExclusive(const std::string& path) {
  if (FailsBefore(Call::CreateExclusive)) return kInvalidHandle;
  return Open(path, GENERIC_WRITE, 0, CREATE_NEW);
}

FileHandle CreateHeldPrivate(const std::string& path) {
  // Without sharing, the handle itself holds the file.
  return CreateExclusive(path);
}

bool IsHeld(const std::string& path) {
  const FileHandle h =
      Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (h != kInvalidHandle) {
    CloseHandle(ToHandle(h));
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

FileHandle OpenForAppend(const std::string& path) {
  if (FailsBefore(Call::OpenForAppend)) return kInvalidHandle;
  const FileHandle h = Open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
  if (h != kInvalidHandle && SetFilePointer(ToHandle(h), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    CloseHandle(ToHandle(h));
    return kInvalidHandle;
  }
  return h;
}

bool ReadFileBytes(FileHandle h, void* buffer, std::uint32_t length, std::uint32_t* got) {
  *got = 0;
  if (FailsBefore(Call::Read)) return false;
  DWORD read = 0;
  if (!ReadFile(ToHandle(h), buffer, length, &read, nullptr)) return false;
  *got = read;
  return true;
}

bool WriteFileBytes(FileHandle h, const void* data, std::uint32_t length) {
  const Failure failure = Injected(Call::Write);
  if (failure == Failure::Before) return false;
  DWORD written = 0;
  if (failure == Failure::Partway) {
    // A short write: the first half reached the file, then the disk was full.
    WriteFile(ToHandle(h), data, length / 2, &written, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  if (!WriteFile(ToHandle(h), data, length, &written, nullptr)) return false;
  if (written != length) {
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return true;
}

bool SeekFromStart(FileHandle h, std::uint32_t offset) {
  if (FailsBefore(Call::Seek)) return false;
  // Offsets above 2 GiB need the high part, or SetFilePointer takes them as
  // negative distances.
  LONG high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(ToHandle(h), static_cast<LONG>(offset), &high, FILE_BEGIN);
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool FileSize(FileHandle h, std::uint32_t* size) {
  *size = 0;
  if (FailsBefore(Call::Size)) return false;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(ToHandle(h), nullptr);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = low;
  return true;
}

bool FlushFile(FileHandle h) {
  const Failure failure = Injected(Call::Flush);
  if (failure == Failure::Before) return false;
  const bool ok = FlushFileBuffers(ToHandle(h)) != 0;
  if (failure == Failure::Partway) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return ok;
}

// Windows has no call that starts the write-back without waiting for it.
void StartWriteBack(FileHandle) {}

bool CloseFile(FileHandle h) {
  if (h == kInvalidHandle) return true;
  const Failure failure = Injected(Call::Close);
  const bool ok = CloseHandle(ToHandle(h)) != 0;
  if (failure != Failure::None) {
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return ok;
}

bool RemoveFile(const std::string& path) {
  if (FailsBefore(Call::Remove)) return false;
  return DeleteFileA(path.c_str()) != 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (FailsBefore(Call::Rename)) return false;
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool ReplaceFileAtomically(const std::string& from, const std::string& to) {
  if (FailsBefore(Call::Replace)) return false;
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  const Failure failure = Injected(Call::Copy);
  if (failure == Failure::Before) return false;
  const bool ok = CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
  if (failure == Failure::Partway) {
    // The copy's data went out, then the call failed.
    SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return ok;
}

bool CopyToNewFile(const std::string& from, const std::string& to, bool flush) {
  const Failure failure = Injected(Call::Copy);
  if (failure == Failure::Before) return false;
  // CopyFileA refuses an existing destination, and then nothing of it is
  // ours to remove.
  if (!CopyFileA(from.c_str(), to.c_str(), TRUE)) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) DeleteFileA(to.c_str());
    SetLastError(error);
    return false;
  }
  bool ok = failure != Failure::Partway;
  if (!ok) SetLastError(ERROR_DISK_FULL);
  if (ok && flush) {
    const FileHandle h = Open(to, GENERIC_WRITE, 0, OPEN_EXISTING);
    ok = h != kInvalidHandle && FlushFile(h);
    DWORD error = GetLastError();
    if (h != kInvalidHandle && !CloseFile(h) && ok) {
      ok = false;
      error = GetLastError();
    }
    SetLastError(error);
  }
  if (!ok) {
    const DWORD error = GetLastError();
    DeleteFileA(to.c_str());
    SetLastError(error);
  }
  return ok;
}

bool RegularFileSize(const std::string& path, std::uint64_t* size) {
  *size = 0;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return false;
  }
  *size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

std::string LastErrorText() {
  const DWORD error = GetLastError();
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = n > 0 && text ? std::string(text, n) : "Error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' '))
    result.pop_back();
  return result;
}

bool PathExists(const std::string& path) {
  if (FailsBefore(Call::Exists)) return false;
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SameFile(const std::string& a, const std::string& b) {
  auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    const HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0;
    CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return identify(a, &ia) && identify(b, &ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool IsLink(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>* entries) {
  entries->clear();
  if (FailsBefore(Call::List)) return false;
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((dir + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    DirEntry entry;
    entry.name = data.cFileName;
    entry.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.system = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
    entry.link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.regular = (data.dwFileAttributes &
                     (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
    entry.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entries->push_back(std::move(entry));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return true;
}

bool CopyPermissions(const std::string& /*model*/, const std::string& /*target*/) { return true; }

bool SetPermissions(FileHandle /*target*/, std::uint32_t /*bits*/) { return true; }

bool MakeDirectory(const std::string& path) {
  if (FailsBefore(Call::MakeDirectory)) return false;
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

void AdviseSequentialFill(void* /*buffer*/, std::size_t /*length*/) {}

char PathSeparator() { return '\\'; }

std::string ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace platform
