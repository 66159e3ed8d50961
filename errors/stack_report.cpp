#include "errors/stack_report.h"

#include <cstdio>

#include "errors/os_faults.h"
#include "errors/system.h"

namespace {

std::string Decimal5(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%5d", static_cast<int>(value));
  return text;
}

}  // namespace

std::string FormatStackReport(const TTraceList& trace, bool available, const TAddressLookup& lookup,
                              std::uintptr_t code_base) {
  std::string report;
  if (!available) report += "(NO RTLI AVAILABLE!)\r\n";
  report += "Stack trace:\r\n";
  report += "Physical Logical  Unit  (######) Routine";
  for (std::size_t i = 0; i < trace.Count && i < TTraceList::kMaxEntries; ++i) {
    const std::uintptr_t address = trace.Entries[i].Address;
    // A return address points after its call, often into the next line or
    // the next routine; one byte back lies inside the call. A preset fault
    // address is the faulting instruction itself.
    const std::uintptr_t looked_up = trace.Entries[i].Ordinal == 0 ? address : address - 1;
    AddressInfo info;
    lookup(looked_up, &info);
    const auto logical = static_cast<std::uint32_t>(address - code_base);
    report += "\r\n" + HexAddress(address) + " " + HexAddress(logical) + " ";
    if (info.LineNumber != 0) report += info.SourceName + " (" + Decimal5(info.LineNumber) + ") ";
    report += info.UnitName + "." + info.RoutineName;
  }
  return report;
}

std::string BuildStackReport() {
  const bool available = LineInfoAvailable();
  return FormatStackReport(TraceList, available, &LookupAddress, CodeBase());
}
