#include "engine/format/xor/xor_block_decoder.h"

#include <utility>
#include <vector>
#include "engine/format/xor/escape_table.h"
#include "engine/format/xor/page_encoding.h"

#include "resources/message_table.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The password as the encoder ran over it: byte i of the stream (wrapper
// and data alike) used password byte i mod (length mod 256), or the first
// byte when that is 0; an empty password counts as a 0 byte.
class TKeyCursor {
 public:
  explicit TKeyCursor(const std::string& password) : password_(password) {
    const std::size_t effective = password.size() % 256;
    cycle_ = effective == 0 ? 1 : effective;
  }
  unsigned char Next() {
    const unsigned char p = password_.empty() ? 0 : static_cast<unsigned char>(password_[index_]);
    index_ = (index_ + 1) % cycle_;
    return static_cast<unsigned char>(p ^ PageMask);
  }

 private:
  const std::string& password_;
  std::size_t cycle_ = 1, index_ = 0;
};

// Unescapes and unmasks one literal. False at a character the encoder never
// writes, or a hex digit without its partner.
bool DecodeLiteral(const std::string& text, TKeyCursor& keys, std::string* bytes) {
  bytes->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    unsigned m;
    if (HexValue(text[i]) >= 0) {
      if (i + 1 == text.size() || HexValue(text[i + 1]) < 0) return false;
      m = static_cast<unsigned>(HexValue(text[i]) * 16 + HexValue(text[i + 1]));
      ++i;
    } else if (escape_detail::WrittenAsItself(c)) {
      m = c;
    } else {
      return false;
    }
    bytes->push_back(static_cast<char>(m ^ keys.Next()));
  }
  return true;
}

TUnlockResult Fail(const char* message, std::vector<std::string> arguments = {}) {
  return Failed({{message, std::move(arguments)}, {}});
}

}  // namespace

bool IsCheckValueLiteral(const std::string& literal) {
  return literal.size() == 2 && HexValue(literal[0]) >= 0 && HexValue(literal[1]) >= 0;
}

TUnlockResult DecodeXorBlock(TBlockReader& reader, const std::string& check, bool check_was_last,
                             const std::string& password, TBlockSink& out) {
  if (check != CheckValue(password)) return Fail(messages::kUnlockWrongPassword);
  TKeyCursor keys(password);
  // A text page's first data literal is the opening wrapper line (18 bytes;
  // a page's own first line holds 100 unless it is its only one) and its
  // last is the closing one. Each literal is written once the next has been
  // read, so that the last can be held back.
  const std::string open = kTextWrapOpen, close = kTextWrapClose;
  std::string text, bytes, held;
  bool last = check_was_last, first = true, wrapped = false, holding = false;
  for (std::size_t line = 2; !last; ++line) {
    const TBlockReader::TStatus status = reader.Next(&text, &last);
    if (status == TBlockReader::TStatus::ReadFailed)
      return Fail(messages::kUnlockCannotReadPage, {reader.LastErrorText()});
    if (status != TBlockReader::TStatus::Ok) return Fail(messages::kUnlockDamaged, {reader.Problem()});
    if (!DecodeLiteral(text, keys, &bytes))
      return Fail(messages::kUnlockBadCharacter, {std::to_string(line)});
    if (first) {
      first = false;
      if (bytes == open && !last) {
        wrapped = true;
        continue;
      }
    }
    if (holding && !out.Put(held)) return Fail(messages::kUnlockCannotWrite);
    held.swap(bytes);
    holding = true;
  }
  if (wrapped) {
    if (held != close) return Fail(messages::kUnlockClosingLineMissing);
    return {};
  }
  if (holding && !out.Put(held)) return Fail(messages::kUnlockCannotWrite);
  return {};
}
