// The stack-trace report of the error reporter: one line per entry of
// TraceList, each address resolved to source, line, unit and routine
// through the line-information side file. Lines are separated by CR LF,
// with no line end after the last.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "errors/line_info.h"
#include "errors/stack_capture.h"

// Looks one absolute address up; true when line information was available.
using TAddressLookup = std::function<bool(std::uintptr_t address, AddressInfo* info)>;

// The report of `trace`: "(NO RTLI AVAILABLE!)" first when `available` is
// false, "Stack trace:", the header "Physical Logical  Unit  (######)
// Routine", then for each entry either
//   address logical source (line) unit.routine   when a line was found, or
//   address logical unit.routine                 otherwise,
// addresses in at least eight upper-case hexadecimal digits, the logical
// address being the 32-bit difference from `code_base`. Return addresses
// are looked up one byte back, inside their call; a preset fault address
// (ordinal 0) as it is.
std::string FormatStackReport(const TTraceList& trace, bool available, const TAddressLookup& lookup,
                              std::uintptr_t code_base);

// The report of the most recent raise, through the program's own side file.
std::string BuildStackReport();
