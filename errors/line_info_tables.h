// Reading the tables of the line-information side file: names, counts and
// the lookup of one address in the unit, routine and line tables. Every read
// is checked against the end of the data, so that no content, however
// malformed, leads the reader outside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
// the block fails, leaves the position where it was and makes every later
// read fail too.
class TLineInfoReader {
 public:
  TLineInfoReader(const std::uint8_t* data, std::size_t size, std::size_t position = 0)
      : data_(data), size_(size), position_(position > size ? size : position), failed_(position > size) {}

  // A name: a length byte L, then L bytes, byte j stored XORed with
  // (j + NameKeyBase) mod 256. Decodes it into `name` when that is not null.
  bool ReadName(std::string* name);

  // A count in one of its three forms: one byte below 0x80; 0xFF 0xFF then
  // an unsigned 32-bit value; otherwise two bytes, big-endian, the top bit
  // being the marker.
  bool ReadCount(std::uint32_t* value);

  bool ReadByte(std::uint8_t* value);
  bool ReadInt8(std::int8_t* value);
  bool ReadInt16(std::int16_t* value);
  bool ReadUint32(std::uint32_t* value);
  bool ReadInt32(std::int32_t* value);

  std::size_t position() const { return position_; }
  bool failed() const { return failed_; }

 private:
  bool Take(std::size_t count, const std::uint8_t** bytes);

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_;
  bool failed_;
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
