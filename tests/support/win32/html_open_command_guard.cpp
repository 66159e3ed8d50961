#include "tests/support/win32/html_open_command_guard.h"

namespace testing_support {
namespace {

const char kCommandKey[] = "htmlfile\\shell\\open\\command";

}  // namespace

HtmlOpenCommandGuard::HtmlOpenCommandGuard() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  had_key_ = true;
  DWORD type = 0, size = 0;
  had_value_ = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
  saved_.resize(size);
  saved_type_ = type;
  if (had_value_) RegQueryValueExA(key, nullptr, nullptr, &type, saved_.data(), &size);
  RegCloseKey(key);
}

HtmlOpenCommandGuard::~HtmlOpenCommandGuard() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kCommandKey);
  if (!had_key_) return;
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  if (had_value_) {
    RegSetValueExA(key, nullptr, 0, saved_type_, saved_.data(), static_cast<DWORD>(saved_.size()));
  }
  RegCloseKey(key);
}

bool HtmlOpenCommandGuard::Set(DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kCommandKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegDeleteValueA(key, nullptr);
  const bool set = data == nullptr || RegSetValueExA(key, nullptr, 0, type, static_cast<const BYTE*>(data),
                                                     size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

bool HtmlOpenCommandGuard::SetString(const std::string& value, DWORD type) {
  return Set(type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void HtmlOpenCommandGuard::Remove() { RegDeleteTreeA(HKEY_CLASSES_ROOT, kCommandKey); }

}  // namespace testing_support
