// Reading the tables of the line-information side file: names, counts and
// the lookup of one address in the unit, routine and line tables. Every read
// is checked against the end of the data, so that no content, however
// malformed, leads the reader outside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "errors/line_info_format.h"

// The result of one lookup. Addresses are absolute (code base + offset).
struct AddressInfo {
  std::string UnitName;          // unit that covers the address; empty if none
  std::uintptr_t UnitStart = 0;  // absolute start of that unit
  std::uintptr_t UnitEnd = 0;    // absolute end of that unit, exclusive
  std::int32_t LineNumber = 0;   // 0 when no line was found
  std::string SourceName;        // source of that line; empty when the line search found nothing
  std::string RoutineName;       // routine that covers the address; empty if none
};

// A forward reader over a block of bytes. A read that would pass the end of
// the block fails and leaves the position where it was.
class TLineInfoReader {
 public:
  TLineInfoReader(const std::uint8_t* data, std::size_t size, std::size_t position = 0)
      : begin_(data), at_(data + (position < size ? position : size)), end_(data + size) {}

  // A name: a length byte L, then L bytes, byte j stored XORed with
  // (j + NameKeyBase) mod 256. Decodes it into `name` when that is not null.
  bool ReadName(std::string* name);

  // A count in one of its three forms: one byte below 0x80; 0xFF 0xFF then
  // an unsigned 32-bit value; otherwise two bytes, big-endian, the top bit
  // being the marker.
  bool ReadCount(std::uint32_t* value) {
    if (at_ == end_) return false;
    const std::uint8_t b0 = at_[0];
    if (b0 < line_info_format::kOneByteCountLimit) {
      *value = b0;
      ++at_;
      return true;
    }
    if (end_ - at_ < 2) return false;
    const std::uint8_t b1 = at_[1];
    if (b0 == 0xFF && b1 == 0xFF) {
      if (end_ - at_ < 6) return false;
      *value = Uint32At(at_ + 2);
      at_ += 6;
      return true;
    }
    *value = static_cast<std::uint32_t>(b0 - line_info_format::kOneByteCountLimit) * 256 + b1;
    at_ += 2;
    return true;
  }

  // Moves past a name without decoding it.
  bool SkipName() {
    if (at_ == end_ || static_cast<std::size_t>(end_ - at_ - 1) < at_[0]) return false;
    at_ += 1 + at_[0];
    return true;
  }

  bool ReadByte(std::uint8_t* value) {
    if (at_ == end_) return false;
    *value = *at_++;
    return true;
  }
  bool ReadInt8(std::int8_t* value) {
    if (at_ == end_) return false;
    *value = static_cast<std::int8_t>(*at_++);
    return true;
  }
  bool ReadInt16(std::int16_t* value) {
    if (end_ - at_ < 2) return false;
    *value = static_cast<std::int16_t>(at_[0] | at_[1] << 8);
    at_ += 2;
    return true;
  }
  bool ReadUint32(std::uint32_t* value) {
    if (end_ - at_ < 4) return false;
    *value = Uint32At(at_);
    at_ += 4;
    return true;
  }
  bool ReadInt32(std::int32_t* value) {
    std::uint32_t u;
    if (!ReadUint32(&u)) return false;
    *value = static_cast<std::int32_t>(u);
    return true;
  }

  std::size_t position() const { return static_cast<std::size_t>(at_ - begin_); }

 private:
  static std::uint32_t Uint32At(const std::uint8_t* b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  }

  const std::uint8_t* begin_;
  const std::uint8_t* at_;
  const std::uint8_t* end_;
};

// Decodes the name stored at `position` (length byte included); empty when
// it does not fit in the block.
std::string DecodeNameAt(const std::uint8_t* data, std::size_t size, std::size_t position);

// Looks the absolute `address` up in the tables of `body` (the side file
// without its header), whose offsets count from `code_base`. Fills `info`
// (cleared first): the last unit record that covers the address; when that
// unit has a name, also the last routine entry that covers it and the line
// reached just before the first step inside the unit whose code starts
// beyond the address. When no named unit covers the address the record
// stays empty. A table that is cut short or whose counts exceed the data
// resolves what was read before the fault and nothing after it.
void LookupInTables(const std::uint8_t* body, std::size_t size, std::uintptr_t code_base,
                    std::uintptr_t address, AddressInfo* info);
