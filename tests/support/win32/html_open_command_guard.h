// The HTML open command (the unnamed value of
// HKEY_CLASSES_ROOT\htmlfile\shell\open\command) for the length of a test.
#pragma once

#include <string>
#include <vector>

#include "tests/support/win32/windows_api.h"

namespace testing_support {

// Saves the command as it stands on construction and puts it back on
// destruction: the same value and type, no value, or no key at all.
class HtmlOpenCommandGuard {
 public:
  HtmlOpenCommandGuard();
  ~HtmlOpenCommandGuard();
  HtmlOpenCommandGuard(const HtmlOpenCommandGuard&) = delete;
  HtmlOpenCommandGuard& operator=(const HtmlOpenCommandGuard&) = delete;

  // Gives the command `size` bytes of `data` of registry type `type`, or no
  // value when `data` is null (creating the key if needed). False on failure.
  bool Set(DWORD type, const void* data, DWORD size);
  // Set with the text and its terminating zero.
  bool SetString(const std::string& value, DWORD type = REG_SZ);
  // Removes the key with everything below it.
  void Remove();

 private:
  bool had_key_ = false;
  bool had_value_ = false;
  DWORD saved_type_ = REG_SZ;
  std::vector<BYTE> saved_;
};

}  // namespace testing_support
