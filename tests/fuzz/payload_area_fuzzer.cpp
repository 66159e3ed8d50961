// The payload area finder over a template start page from anywhere.
// - An area it finds starts right after "//Page Begin" and its line break
//   and ends on "//Page End"; a page without a 0 byte whose markers lie
//   well within the limits always has one, found at the first of each.
// - The strong protection is chosen only by the declaration in front of the
//   start marker.
// - A start page never reads as a page that holds a block unless the line
//   after its start marker begins with a quote.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/template/payload_area.h"
#include "engine/template/template_protection.h"
#include "fileio/fast_io.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool At(const std::string& page, std::size_t at, const std::string& text) {
  return at <= page.size() && page.compare(at, text.size(), text) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page(reinterpret_cast<const char*>(data), size);
  const std::string path = fuzz::ScratchPath("index.html");
  fuzz::WriteFile(path, page);
  const std::string begin_marker = kPageBeginMarker, end_marker = kPageEndMarker;

  TFastIO io;
  TPayloadArea area;
  fuzz::Check(io.Open(path), "cannot open the start page");
  const bool found = FindPayloadArea(io, &area);
  const std::size_t marker = page.find(begin_marker);
  if (found) {
    const std::size_t lb = area.line_break.size();
    fuzz::Check(area.line_break == kCrLf || area.line_break == kLf, "an area with another line break");
    fuzz::Check(area.begin <= area.end && area.end <= page.size(), "an area outside the page");
    fuzz::Check(At(page, area.begin - lb - begin_marker.size(), begin_marker + area.line_break),
                "the area does not follow the start marker's line");
    fuzz::Check(At(page, area.end, end_marker), "the area does not end on the end marker");
    if (area.protection == TProtection::Strong)
      fuzz::Check(page.substr(0, marker).find(kStrongProtectionMeta) != std::string::npos,
                  "strong without the declaration in front of the start marker");
  }
  if (page.find('\0') == std::string::npos && marker != std::string::npos && marker < 29000) {
    const std::size_t after = marker + begin_marker.size();
    const std::string lb = At(page, after, kCrLf) ? kCrLf : At(page, after, kLf) ? kLf : "";
    const std::size_t end = page.find(end_marker, marker);
    if (!lb.empty() && end != std::string::npos && end - marker < 29000 && end >= after + lb.size()) {
      fuzz::Check(found && area.begin == after + lb.size() && area.end == end,
                  "a well-formed payload area was not found where it is");
      fuzz::Check(ReadTemplateProtection(path) == area.protection,
                  "the template's protection differs from its area's");
    }
  }
  if (HoldsPageBlock(path)) {
    const std::size_t after = marker + begin_marker.size();
    fuzz::Check(marker != std::string::npos && (At(page, after, "\n'") || At(page, after, "\r\n'")),
                "a block found where the start marker's next line has none");
  }
  return 0;
}
