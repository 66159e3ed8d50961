// The registry's HTML open command and the last-resort opener on Windows.
#include <windows.h>

#include <vector>

#include "platform/platform.h"

namespace platform {

RegistryRead ReadClassesRootDefault(const std::string& key, std::string* value) {
  value->clear();
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return RegistryRead::NoKey;
  }
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExA(handle, nullptr, nullptr, &type, nullptr, &size);
  RegistryRead result = RegistryRead::Ok;
  if (status == ERROR_SUCCESS) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      result = RegistryRead::NotAString;
    } else {
      std::vector<char> data(size + 1, '\0');
      DWORD got = size;
      if (RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) ==
          ERROR_SUCCESS) {
        value->assign(data.data());  // stops at the terminating NUL
      }
    }
  }
  RegCloseKey(handle);
  return result;
}

std::string LastResortOpener() { return "explorer.exe"; }

bool EnvironmentBrowser(std::string* /*command*/) { return false; }

}  // namespace platform
