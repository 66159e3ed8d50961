// The unlock of a page from anywhere, through UnlockPage as zendrel-unlock
// calls it. Any bytes are handed over as a locked page, with the password
// the seed pages were locked with and with a wrong one:
// - a file is left at the output path exactly when the unlock says Done,
//   and the temporary file never stays;
// - a strong page that opens gives back a sealed page (the seeds end with a
//   digest of their bytes), and never opens with the wrong password.
// Bytes without a start marker are locked as a page instead (XOR or
// strong, either line break, page or text, as the first byte chooses) and
// must come back exactly.
#include <cstddef>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/format/xor/page_encoding.h"
#include "engine/page_unlock.h"
#include "engine/template/payload_area.h"
#include "fileio/block_sink.h"
#include "resources/message_table.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seal.h"

namespace {

constexpr char kPassword[] = "fuzz-password";
constexpr char kWrongPassword[] = "not the password";

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// The unlock of `locked` with `password`; `opened` gets the page when Done.
TUnlockResult Unlock(const std::string& locked, const char* password, std::string* opened) {
  const std::string in = fuzz::ScratchPath("locked.html"), out = fuzz::ScratchPath("page.html");
  fuzz::WriteFile(in, locked);
  const TUnlockResult result = UnlockPage(in, out, password);
  fuzz::Check(!Exists(out + kUnlockTempSuffix), "the unlock left its temporary file");
  fuzz::Check(Exists(out) == (result.status == TStatus::Done),
              "an output file exists although the unlock failed, or is missing after Done");
  fuzz::Check(result.ok() || result.problem, "a failure without a message");
  if (Exists(out)) *opened = fuzz::ReadFile(out);
  std::filesystem::remove(out);
  return result;
}

// The first line of the block begins as a strong block's does.
bool IsStrongBlock(const std::string& page) {
  const std::size_t marker = page.find(kPageBeginMarker);
  if (marker == std::string::npos) return false;
  std::size_t at = marker + sizeof kPageBeginMarker - 1;
  if (page.compare(at, 2, "\r\n") == 0) ++at;
  return at + 1 <= page.size() && page.compare(at + 1, 17, "'ZENDREL-AES-GCM-") == 0;
}

struct TStartPage {
  std::string page;
  TPayloadArea area;
};

// The start page the round trip locks into, with either line break; its
// area is found once per process, not per input.
const TStartPage& StartPage(bool crlf) {
  static const std::array<TStartPage, 2> pages = [] {
    std::array<TStartPage, 2> made;
    for (const bool with_crlf : {false, true}) {
      const std::string lb = with_crlf ? kCrLf : kLf;
      TStartPage& start = made[with_crlf];
      start.page = "<html><script>" + lb + kPageBeginMarker + lb + "'');" + lb + kPageEndMarker + lb +
                   "</script></html>" + lb;
      std::string spliced;
      fuzz::Check(fuzz::SpliceBlock(start.page, "", &spliced, &start.area), "the start page has no area");
    }
    return made;
  }();
  return pages[crlf];
}

// The input's first byte chooses the line break, page or text, the
// protection and the strong format; the fuzzer varies it like any other.
void CheckRoundTrip(const std::string& page, std::uint8_t choice) {
  const bool crlf = choice & 1, text_page = choice & 2, strong_format2 = choice & 4;
  // The lock refuses a page with a 0 byte for the XOR block.
  const bool strong = (choice & 8) || page.find('\0') != std::string::npos;
  const std::string line_break = crlf ? kCrLf : kLf;
  TStringSink block;
  if (strong) {
    fuzz::WriteLowCostStrongBlock(page, kPassword, strong_format2, text_page, line_break, block);
  } else {
    fuzz::Check(fuzz::WriteXorBlock(page, kPassword, text_page, line_break, block), "the XOR lock refused");
  }
  const TStartPage& start = StartPage(crlf);
  const std::string locked =
      start.page.substr(0, start.area.begin) + block.Text + start.page.substr(start.area.end);
  std::string opened;
  const TUnlockResult result = Unlock(locked, kPassword, &opened);
  if (result.status != TStatus::Done)
    fuzz::Fail("a page locked here did not open: " +
               messages::Format(result.problem.message.text, result.problem.message.arguments));
  fuzz::Check(opened == page, "a page locked here came back with other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (bytes.find(kPageBeginMarker) == std::string::npos) {
    if (size > 0) CheckRoundTrip(bytes.substr(1), data[0]);
    return 0;
  }
  const bool strong = IsStrongBlock(bytes);
  std::string opened;
  if (Unlock(bytes, kPassword, &opened).status == TStatus::Done && strong)
    fuzz::Check(fuzz::HasSeal(opened), "a strong page opened into bytes that were never locked");
  const TUnlockResult wrong = Unlock(bytes, kWrongPassword, &opened);
  fuzz::Check(!(strong && wrong.status == TStatus::Done), "a strong page opened with the wrong password");
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The wrong password must fail the XOR check value of the right one.
  fuzz::Check(CheckValue(kPassword) != CheckValue(kWrongPassword), "the two passwords share a check value");
  return 0;
}
