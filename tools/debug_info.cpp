#include "tools/debug_info.h"

#include <cxxabi.h>
#include <libdwarf/dwarf.h>
#include <libdwarf/libdwarf.h>

#include <cstdlib>
#include <map>
#include <memory>

namespace {

// The attribute by which an out-of-line definition names its declaration.
constexpr int kAtDefinitionOfDeclaration = 0x47;

// One libdwarf session over a file; closes it whatever happens.
class DwarfFile {
 public:
  ~DwarfFile() {
    if (dbg_ != nullptr) dwarf_finish(dbg_, nullptr);
  }
  // DW_DLV_OK when open, DW_DLV_NO_ENTRY for an object file without debug
  // information, DW_DLV_ERROR (with `error` set) otherwise.
  int Open(const std::string& path, std::string* error) {
    Dwarf_Error err = nullptr;
    const int res = dwarf_init_path(path.c_str(), nullptr, 0, DW_DLC_READ, DW_GROUPNUMBER_ANY, nullptr,
                                    nullptr, &dbg_, nullptr, 0, nullptr, &err);
    if (res == DW_DLV_ERROR) {
      *error = path + ": " + dwarf_errmsg(err);
      dwarf_dealloc_error(nullptr, err);
    }
    if (res != DW_DLV_OK) dbg_ = nullptr;
    return res;
  }
  Dwarf_Debug get() const { return dbg_; }
  // Frees an error that a call returned; the reader skips what it cannot read.
  void Forget(Dwarf_Error err) const {
    if (err != nullptr) dwarf_dealloc_error(dbg_, err);
  }

 private:
  Dwarf_Debug dbg_ = nullptr;
};

struct DieDeleter {
  void operator()(Dwarf_Die die) const { dwarf_dealloc_die(die); }
};
using DieHolder = std::unique_ptr<std::remove_pointer_t<Dwarf_Die>, DieDeleter>;

struct AttributeDeleter {
  void operator()(Dwarf_Attribute attr) const { dwarf_dealloc_attribute(attr); }
};
using AttributeHolder = std::unique_ptr<std::remove_pointer_t<Dwarf_Attribute>, AttributeDeleter>;

AttributeHolder Attribute(const DwarfFile& file, Dwarf_Die die, Dwarf_Half name) {
  Dwarf_Attribute attr = nullptr;
  Dwarf_Error err = nullptr;
  const int res = dwarf_attr(die, name, &attr, &err);
  file.Forget(err);
  return AttributeHolder(res == DW_DLV_OK ? attr : nullptr);
}

std::string StringAttribute(const DwarfFile& file, Dwarf_Die die, Dwarf_Half name) {
  AttributeHolder attr = Attribute(file, die, name);
  char* text = nullptr;
  Dwarf_Error err = nullptr;
  if (!attr || dwarf_formstring(attr.get(), &text, &err) != DW_DLV_OK) {
    file.Forget(err);
    return {};
  }
  return text;
}

// The DIE that `name` (a reference attribute) points at, if any.
DieHolder ReferencedDie(const DwarfFile& file, Dwarf_Die die, Dwarf_Half name) {
  AttributeHolder attr = Attribute(file, die, name);
  Dwarf_Off offset = 0;
  Dwarf_Die target = nullptr;
  Dwarf_Error err = nullptr;
  if (!attr || dwarf_global_formref(attr.get(), &offset, &err) != DW_DLV_OK ||
      dwarf_offdie_b(file.get(), offset, 1, &target, &err) != DW_DLV_OK) {
    file.Forget(err);
    return DieHolder();
  }
  return DieHolder(target);
}

}  // namespace

std::string Demangle(const std::string& name) {
  // A stdcall function's name carries the size of its arguments ("@16"),
  // which is no part of the mangled name.
  std::string mangled = name;
  const std::size_t at = mangled.rfind('@');
  if (at != std::string::npos && at + 1 < mangled.size() &&
      mangled.find_first_not_of("0123456789", at + 1) == std::string::npos)
    mangled.resize(at);
  int status = 0;
  char* readable = abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status);
  if (readable == nullptr) return name;
  std::string result = readable;
  std::free(readable);
  return result;
}

namespace {

// A function's readable name: its demangled linkage name, else its plain
// name, looked for on the DIE and on the declarations it refers to (an
// out-of-line member definition names its declaration; a concrete copy of an
// inlined function names its abstract origin).
std::string RoutineName(const DwarfFile& file, Dwarf_Die die, int depth = 0) {
  std::string linkage = StringAttribute(file, die, DW_AT_linkage_name);
  if (linkage.empty()) linkage = StringAttribute(file, die, DW_AT_MIPS_linkage_name);
  if (!linkage.empty()) return Demangle(linkage);
  if (depth < 4) {
    for (Dwarf_Half reference : {kAtDefinitionOfDeclaration, DW_AT_abstract_origin}) {
      DieHolder target = ReferencedDie(file, die, reference);
      if (!target) continue;
      std::string name = RoutineName(file, target.get(), depth + 1);
      if (!name.empty()) return name;
    }
  }
  return StringAttribute(file, die, DW_AT_name);
}

using Ranges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// DWARF 5 range lists (.debug_rnglists): libdwarf resolves every kind of
// entry to start and end addresses.
void AppendRangeList5(const DwarfFile& file, Dwarf_Attribute attr, Ranges* ranges) {
  Dwarf_Half form = 0;
  Dwarf_Unsigned value = 0;
  Dwarf_Off offset = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_whatform(attr, &form, &err) != DW_DLV_OK) return file.Forget(err);
  if (form == DW_FORM_rnglistx) {
    if (dwarf_formudata(attr, &value, &err) != DW_DLV_OK) return file.Forget(err);
  } else {
    if (dwarf_global_formref(attr, &offset, &err) != DW_DLV_OK) return file.Forget(err);
    value = offset;
  }
  Dwarf_Rnglists_Head head = nullptr;
  Dwarf_Unsigned count = 0, global_offset = 0;
  if (dwarf_rnglists_get_rle_head(attr, form, value, &head, &count, &global_offset, &err) != DW_DLV_OK) {
    return file.Forget(err);
  }
  for (Dwarf_Unsigned i = 0; i < count; ++i) {
    unsigned length = 0, code = 0;
    Dwarf_Unsigned raw1 = 0, raw2 = 0, start = 0, end = 0;
    Dwarf_Bool unavailable = 0;
    if (dwarf_get_rnglists_entry_fields_a(head, i, &length, &code, &raw1, &raw2, &unavailable, &start, &end,
                                          &err) != DW_DLV_OK) {
      file.Forget(err);
      break;
    }
    const bool is_range = code == DW_RLE_startx_endx || code == DW_RLE_startx_length ||
                          code == DW_RLE_offset_pair || code == DW_RLE_start_end ||
                          code == DW_RLE_start_length;
    if (is_range && !unavailable && start < end) ranges->emplace_back(start, end);
  }
  dwarf_dealloc_rnglists_head(head);
}

// DWARF 4 and older range lists (.debug_ranges), relative to the unit's base
// address until a base address entry changes it.
void AppendRangeList4(const DwarfFile& file, Dwarf_Die die, Dwarf_Attribute attr, std::uint64_t base,
                      Ranges* ranges) {
  Dwarf_Off offset = 0, real_offset = 0;
  Dwarf_Ranges* list = nullptr;
  Dwarf_Signed count = 0;
  Dwarf_Unsigned bytes = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_global_formref(attr, &offset, &err) != DW_DLV_OK ||
      dwarf_get_ranges_b(file.get(), offset, die, &real_offset, &list, &count, &bytes, &err) != DW_DLV_OK) {
    return file.Forget(err);
  }
  for (Dwarf_Signed i = 0; i < count; ++i) {
    const Dwarf_Ranges& entry = list[i];
    if (entry.dwr_type == DW_RANGES_END) break;
    if (entry.dwr_type == DW_RANGES_ADDRESS_SELECTION) {
      base = entry.dwr_addr2;
    } else if (entry.dwr_addr1 < entry.dwr_addr2) {
      ranges->emplace_back(base + entry.dwr_addr1, base + entry.dwr_addr2);
    }
  }
  dwarf_ranges_dealloc(file.get(), list, count);
}

// The code ranges of a DIE: low and high pc, or a range list.
Ranges CodeRanges(const DwarfFile& file, Dwarf_Die die, int version, std::uint64_t unit_base) {
  Ranges ranges;
  Dwarf_Addr low = 0, high = 0;
  Dwarf_Half form = 0;
  Dwarf_Form_Class form_class = DW_FORM_CLASS_UNKNOWN;
  Dwarf_Error err = nullptr;
  if (dwarf_lowpc(die, &low, &err) == DW_DLV_OK) {
    if (dwarf_highpc_b(die, &high, &form, &form_class, &err) == DW_DLV_OK) {
      if (form_class == DW_FORM_CLASS_CONSTANT) high += low;
      if (low < high) ranges.emplace_back(low, high);
    }
    file.Forget(err);
    return ranges;
  }
  file.Forget(err);
  AttributeHolder attr = Attribute(file, die, DW_AT_ranges);
  if (!attr) return ranges;
  if (version >= 5) {
    AppendRangeList5(file, attr.get(), &ranges);
  } else {
    AppendRangeList4(file, die, attr.get(), unit_base, &ranges);
  }
  return ranges;
}

Dwarf_Half Tag(const DwarfFile& file, Dwarf_Die die) {
  Dwarf_Half tag = 0;
  Dwarf_Error err = nullptr;
  if (dwarf_tag(die, &tag, &err) != DW_DLV_OK) file.Forget(err);
  return tag;
}

// Collects every function with code below `parent`, also those nested in
// classes, namespaces and other functions (lambdas, local classes).
void CollectRoutines(const DwarfFile& file, Dwarf_Die parent, int version, std::uint64_t unit_base,
                     std::vector<RoutineInfo>* routines) {
  Dwarf_Die child = nullptr;
  Dwarf_Error err = nullptr;
  if (dwarf_child(parent, &child, &err) != DW_DLV_OK) return file.Forget(err);
  DieHolder current(child);
  while (current) {
    if (Tag(file, current.get()) == DW_TAG_subprogram) {
      const Ranges ranges = CodeRanges(file, current.get(), version, unit_base);
      if (!ranges.empty()) {
        const std::string name = RoutineName(file, current.get());
        for (const auto& [start, end] : ranges) routines->push_back({start, end, name});
      }
    }
    CollectRoutines(file, current.get(), version, unit_base, routines);
    Dwarf_Die next = nullptr;
    if (dwarf_siblingof_b(file.get(), current.get(), 1, &next, &err) != DW_DLV_OK) {
      file.Forget(err);
      next = nullptr;
    }
    current.reset(next);
  }
}

// The unit's line table: every row, with its source reduced to a base name.
void CollectLines(const DwarfFile& file, Dwarf_Die unit_die, CompileUnitInfo* unit) {
  Dwarf_Unsigned version = 0;
  Dwarf_Small table_count = 0;
  Dwarf_Line_Context context = nullptr;
  Dwarf_Error err = nullptr;
  if (dwarf_srclines_b(unit_die, &version, &table_count, &context, &err) != DW_DLV_OK)
    return file.Forget(err);
  Dwarf_Line* lines = nullptr;
  Dwarf_Signed count = 0;
  if (dwarf_srclines_from_linecontext(context, &lines, &count, &err) != DW_DLV_OK) {
    file.Forget(err);
    dwarf_srclines_dealloc_b(context);
    return;
  }
  std::map<Dwarf_Unsigned, std::uint32_t> file_index;
  for (Dwarf_Signed i = 0; i < count; ++i) {
    LineRow row;
    Dwarf_Addr address = 0;
    Dwarf_Unsigned line = 0, file_number = 0;
    Dwarf_Bool end_sequence = 0;
    if (dwarf_lineaddr(lines[i], &address, &err) != DW_DLV_OK ||
        dwarf_lineno(lines[i], &line, &err) != DW_DLV_OK ||
        dwarf_lineendsequence(lines[i], &end_sequence, &err) != DW_DLV_OK ||
        dwarf_line_srcfileno(lines[i], &file_number, &err) != DW_DLV_OK) {
      file.Forget(err);
      err = nullptr;
      continue;
    }
    auto [it, added] = file_index.emplace(file_number, static_cast<std::uint32_t>(unit->files.size()));
    if (added) {
      char* source = nullptr;
      if (dwarf_linesrc(lines[i], &source, &err) == DW_DLV_OK) {
        unit->files.push_back(BaseName(source));
        dwarf_dealloc(file.get(), source, DW_DLA_STRING);
      } else {
        file.Forget(err);
        err = nullptr;
        unit->files.emplace_back();
      }
    }
    row.address = address;
    row.file = it->second;
    row.line = static_cast<std::int64_t>(line);
    row.end_sequence = end_sequence != 0;
    unit->rows.push_back(row);
  }
  dwarf_srclines_dealloc_b(context);
}

}  // namespace

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReadDebugInfo(const std::string& path, DebugInfo* info, std::string* error) {
  *info = DebugInfo();
  DwarfFile file;
  const int opened = file.Open(path, error);
  if (opened != DW_DLV_OK) return opened == DW_DLV_NO_ENTRY;
  for (;;) {
    Dwarf_Half version = 0;
    Dwarf_Unsigned next_offset = 0;
    Dwarf_Error err = nullptr;
    const int res = dwarf_next_cu_header_d(file.get(), 1, nullptr, &version, nullptr, nullptr, nullptr,
                                           nullptr, nullptr, nullptr, &next_offset, nullptr, &err);
    if (res == DW_DLV_NO_ENTRY) break;
    if (res == DW_DLV_ERROR) {
      *error = dwarf_errmsg(err);
      file.Forget(err);
      return false;
    }
    Dwarf_Die unit_die = nullptr;
    if (dwarf_siblingof_b(file.get(), nullptr, 1, &unit_die, &err) != DW_DLV_OK) {
      file.Forget(err);
      continue;
    }
    DieHolder unit_holder(unit_die);
    CompileUnitInfo unit;
    std::string name = BaseName(StringAttribute(file, unit_die, DW_AT_name));
    const std::size_t dot = name.rfind('.');
    unit.name = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    Dwarf_Addr unit_base = 0;
    if (dwarf_lowpc(unit_die, &unit_base, &err) != DW_DLV_OK) file.Forget(err);
    CollectLines(file, unit_die, &unit);
    CollectRoutines(file, unit_die, version, unit_base, &info->routines);
    info->units.push_back(std::move(unit));
  }
  return true;
}
