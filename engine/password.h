// A password as the lock and the unlock take it. The XOR block is made of the password's
// bytes as typed (the system's code page: ANSI on Windows), as its format
// needs; a strong key is derived from UTF-8. A caller that can read the
// typed text as wide characters gives its UTF-8 form too, so that no
// character outside the code page is lost before the key derivation.
#pragma once

#include <string>

class TPassword {
 public:
  // Only the typed bytes: a strong lock converts them from the code page.
  TPassword(std::string typed) : typed_(std::move(typed)) {}  // NOLINT: a typed password is one
  TPassword(const char* typed) : typed_(typed) {}             // NOLINT
  // Both forms of one typed text.
  TPassword(std::string typed, std::string utf8)
      : typed_(std::move(typed)), utf8_(std::move(utf8)), has_utf8_(true) {}

  // The password's bytes are wiped when it goes.
  ~TPassword();
  TPassword(const TPassword&) = default;
  TPassword(TPassword&&) = default;
  TPassword& operator=(const TPassword&) = default;
  TPassword& operator=(TPassword&&) = default;

  // The bytes as typed, in the system's code page.
  const std::string& Typed() const { return typed_; }

  // The password as UTF-8 for a key derivation: the UTF-8 form when one was
  // given, else the typed bytes converted from the code page. False when
  // they cannot be converted; `utf8` is then empty.
  bool ToUtf8(std::string* utf8) const;

 private:
  std::string typed_;
  std::string utf8_;
  bool has_utf8_ = false;
};
