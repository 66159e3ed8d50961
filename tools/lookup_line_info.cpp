// zendrel-rli-lookup: resolves logical addresses (the second column of an
// error report) through a side file, the way addr2line does for DWARF.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "errors/line_info.h"

namespace {

bool ParseHex(const std::string& text, std::uint32_t* value) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits = digits.substr(2);
  if (digits.empty() || digits.size() > 8 ||
      digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return false;
  }
  *value = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
  return true;
}

const char* OrUnknown(const std::string& text) { return text.empty() ? "??" : text.c_str(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: zendrel-rli-lookup <side file> <logical address in hex>...\n"
                 "Prints, for each address: the address, unit.routine, and source:line.\n");
    return 2;
  }
  std::vector<std::uint8_t> body;
  if (!ReadLineInfoBody(argv[1], &body)) {
    std::fprintf(stderr, "zendrel-rli-lookup: cannot read %s\n", argv[1]);
    return 1;
  }
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    std::uint32_t logical = 0;
    if (!ParseHex(argv[i], &logical)) {
      std::fprintf(stderr, "zendrel-rli-lookup: not a hexadecimal address: %s\n", argv[i]);
      status = 1;
      continue;
    }
    // Logical addresses count from CodeBase, so a CodeBase of 0 looks them up as they are.
    AddressInfo info;
    LookupInTables(body.data(), body.size(), 0, logical, &info);
    std::printf("%08X %s.%s %s:", logical, OrUnknown(info.UnitName), OrUnknown(info.RoutineName),
                OrUnknown(info.SourceName));
    if (info.LineNumber != 0) {
      std::printf("%d\n", info.LineNumber);
    } else {
      std::printf("?\n");
    }
  }
  return status;
}
