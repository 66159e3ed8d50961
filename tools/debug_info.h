// The parts of an executable's DWARF debug information that the side file is
// made of: each compilation unit with its line table, and every function
// with the address ranges of its code. Addresses are as the image states
// them (before any relocation at load time).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LineRow {
  std::uint64_t address = 0;
  std::uint32_t file = 0;  // index into CompileUnitInfo::files
  std::int64_t line = 0;
  bool end_sequence = false;  // the first address after a sequence of rows
};

struct CompileUnitInfo {
  std::string name;                // the source file's base name without its extension
  std::vector<std::string> files;  // base names of the sources its rows name
  std::vector<LineRow> rows;       // in the order of the line table
};

struct RoutineInfo {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // exclusive
  std::string name;       // demangled when it had a linkage name
};

struct DebugInfo {
  std::vector<CompileUnitInfo> units;
  std::vector<RoutineInfo> routines;  // one entry per code range of a function
};

// Reads the debug information of a PE or ELF executable through libdwarf.
// True without units when libdwarf finds no debug information (also for a
// missing file: check first that it is an executable); false, with a reason
// in `error`, when the debug information cannot be read.
bool ReadDebugInfo(const std::string& path, DebugInfo* info, std::string* error);

// The readable form of a linkage name; a stdcall suffix ("@16") is left out
// first. A name that does not demangle comes back as it is.
std::string Demangle(const std::string& name);

// The last path component of `path` ("/" and "\\" both separate).
std::string BaseName(const std::string& path);
