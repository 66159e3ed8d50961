#include "errors/line_info_tables.h"

#include "errors/line_info_format.h"

namespace fmt = line_info_format;

bool TLineInfoReader::ReadName(std::string* name) {
  const std::uint8_t* const start = at_;
  if (!SkipName()) return false;
  if (name == nullptr) return true;
  const std::uint8_t length = start[0];
  name->resize(length);
  for (std::size_t j = 0; j < length; ++j) {
    // The key of each character comes from its index, never from a table.
    const auto key = static_cast<std::uint8_t>(j + fmt::kNameKeyBase);
    (*name)[j] = static_cast<char>(start[1 + j] ^ key);
  }
  return true;
}

std::string DecodeNameAt(const std::uint8_t* data, std::size_t size, std::size_t position) {
  std::string name;
  TLineInfoReader reader(data, size, position);
  if (!reader.ReadName(&name)) name.clear();
  return name;
}

namespace {

// Sets the unit fields from the last unit record covering `offset`. False
// when the table ends before all records and the trailing end offset were
// read: what lies beyond it cannot be found then.
bool FindUnit(TLineInfoReader& reader, const std::uint8_t* body, std::size_t size, std::int32_t unit_count,
              std::uintptr_t code_base, std::uint32_t offset, AddressInfo* info) {
  if (unit_count <= 0) {
    std::uint32_t end;
    return reader.ReadUint32(&end);
  }
  std::uint32_t start;
  if (!reader.ReadUint32(&start)) return false;
  std::size_t name_position = reader.position();
  if (!reader.SkipName()) return false;
  for (std::int32_t i = 0; i < unit_count; ++i) {
    std::uint32_t end;
    if (!reader.ReadUint32(&end)) return false;
    if (start <= offset && offset < end) {
      info->UnitName = DecodeNameAt(body, size, name_position);
      info->UnitStart = code_base + start;
      info->UnitEnd = code_base + end;
    }
    start = end;
    name_position = reader.position();
    if (i + 1 < unit_count && !reader.SkipName()) return false;
  }
  return true;
}

// Sets RoutineName from the last routine entry covering `offset`. False
// when the table is cut short.
bool FindRoutine(TLineInfoReader& reader, const std::uint8_t* body, std::size_t size,
                 std::int32_t routine_count, std::uint32_t offset, AddressInfo* info) {
  if (routine_count <= 0) return true;
  std::size_t name_position = reader.position();
  std::uint32_t u;
  if (!reader.SkipName() || !reader.ReadCount(&u)) return false;
  std::uint32_t p = 0;
  for (std::int32_t k = 0; k < routine_count; ++k) {
    const std::size_t next_name_position = reader.position();
    std::uint32_t v;
    if (!reader.SkipName() || !reader.ReadCount(&v)) return false;
    const std::uint32_t start = p + u;
    if (start <= offset && offset < start + v) info->RoutineName = DecodeNameAt(body, size, name_position);
    p += u;
    u = v;
    name_position = next_name_position;
  }
  return true;
}

// Reads one line-table record. A step gives its two increments; a file
// record gives the position of its name and sets `is_file`.
bool ReadLineRecord(TLineInfoReader& reader, bool* is_file, std::size_t* name_position, std::uint32_t* dl,
                    std::uint32_t* da) {
  std::uint8_t tag;
  if (!reader.ReadByte(&tag)) return false;
  *is_file = false;
  switch (tag & fmt::kTagMask) {
    case fmt::kFileRecord:
      *is_file = true;
      *name_position = reader.position();
      return reader.SkipName();
    case fmt::kLongStep: {
      std::int16_t line;
      std::uint32_t address;
      if (!reader.ReadInt16(&line) || !reader.ReadUint32(&address)) return false;
      *dl = static_cast<std::uint32_t>(line);
      *da = address;
      return true;
    }
    case fmt::kMediumStep: {
      std::int16_t line, address;
      if (!reader.ReadInt16(&line) || !reader.ReadInt16(&address)) return false;
      *dl = static_cast<std::uint32_t>(line);
      *da = static_cast<std::uint32_t>(address);
      return true;
    }
    case fmt::kShortStep: {
      std::int8_t line, address;
      if (!reader.ReadInt8(&line) || !reader.ReadInt8(&address)) return false;
      *dl = static_cast<std::uint32_t>(line);
      *da = static_cast<std::uint32_t>(address);
      return true;
    }
    default:
      *dl = (tag >> 6) + 1u;
      *da = (tag & fmt::kTagMask) + 1u;
      return true;
  }
}

// Sets LineNumber and SourceName from the line table. The running line and
// address are kept in unsigned arithmetic so that no table can overflow them.
void FindLine(TLineInfoReader reader, const std::uint8_t* body, std::size_t size, std::int32_t line_count,
              std::uintptr_t code_base, std::uint32_t offset, AddressInfo* info) {
  const std::uintptr_t unit_start = info->UnitStart;
  const std::uintptr_t unit_end = info->UnitEnd;
  std::uint32_t line = 0;
  std::uint32_t address = 0;
  std::size_t source_position = size;
  for (std::int32_t remaining = line_count; remaining > 0;) {
    bool is_file;
    std::uint32_t dl = 0, da = 0;
    if (!ReadLineRecord(reader, &is_file, &source_position, &dl, &da)) break;
    if (is_file) {
      line = 0;
      address = 0;
      continue;
    }
    const std::uint32_t next = address + da;
    const std::uintptr_t absolute = code_base + next;
    // A step may end at the unit's end: the one that closes its last span.
    if (absolute >= unit_start && absolute <= unit_end && next > offset) {
      info->LineNumber = static_cast<std::int32_t>(line);
      info->SourceName = DecodeNameAt(body, size, source_position);
      return;
    }
    line += dl;
    address = next;
    --remaining;
  }
  info->LineNumber = 0;
  info->SourceName.clear();
}

}  // namespace

void LookupInTables(const std::uint8_t* body, std::size_t size, std::uintptr_t code_base,
                    std::uintptr_t address, AddressInfo* info) {
  *info = AddressInfo();
  TLineInfoReader reader(body, size);
  std::int32_t unit_count, routine_count, line_count, unused;
  if (!reader.ReadInt32(&unit_count) || !reader.ReadInt32(&routine_count) || !reader.ReadInt32(&line_count) ||
      !reader.ReadInt32(&unused)) {
    return;
  }
  const auto offset = static_cast<std::uint32_t>(address - code_base);
  const bool units_read = FindUnit(reader, body, size, unit_count, code_base, offset, info);
  if (info->UnitName.empty()) {
    // A unit without a name counts as no unit.
    *info = AddressInfo();
    return;
  }
  if (!units_read) return;
  if (!FindRoutine(reader, body, size, routine_count, offset, info)) return;
  FindLine(reader, body, size, line_count, code_base, offset, info);
}
