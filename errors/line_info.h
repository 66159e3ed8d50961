// Line-information lookup: turns a code address of the running program into
// its unit, routine, source and line, through the side file that the build
// writes beside the executable (LineInfoFile). The file is read whole on the
// first successful load and kept, undecoded, until the process ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "errors/line_info_tables.h"

// The executable's full path with its extension replaced by ".RLI".
std::string LineInfoFile();

// The side file's path for the executable at `executable_path`: the path
// with its extension (if its last component has one) replaced by ".RLI".
std::string LineInfoPathFor(const std::string& executable_path);

// True when the tables are held. While they are not, each call runs
// LoadLineInfo and returns its result.
bool LineInfoAvailable();

// Reads the body of LineInfoFile (everything after the 64-byte header) and
// holds it. True when the whole body was read; a file of exactly 64 bytes
// reads as an empty body (true, but nothing held). False when the file is
// missing, cannot be opened for reading and writing, is shorter than its
// header, or a read fails; nothing is held then and the next call tries
// again. Input/output errors are never reported otherwise.
bool LoadLineInfo();

// Fills `info` for the absolute code address `address`. True when line
// information was available (and `info` then says what was found, which may
// be nothing); false with an all-empty record otherwise.
bool LookupAddress(std::uintptr_t address, AddressInfo* info);

// Reads the body of the side file at `path` into `body` by the rules of
// LoadLineInfo (which uses it on LineInfoFile). Also for tools and tests.
bool ReadLineInfoBody(const std::string& path, std::vector<std::uint8_t>* body);
