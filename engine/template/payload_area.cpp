#include "engine/template/payload_area.h"

#include <cctype>
#include <cstring>

#include "engine/format/strong/strong_format.h"
#include "fileio/fast_io.h"

bool SkipStartMarkerLine(TFastIO& page, std::string* line_break) {
  page.Position += static_cast<std::uint32_t>(std::strlen(kPageBeginMarker));
  const char first = page.ReadChar();
  if (first == '\n') {
    *line_break = kLf;
    return true;
  }
  if (first == '\r' && page.ReadChar() == '\n') {
    *line_break = kCrLf;
    return true;
  }
  return false;
}

namespace {

// Whether the text before `marker` (at most the marker search limit) leaves
// it inside an element opened by kBlockHolderTag. A template of one's own
// may hold the block in a script that runs it as a call: cut, that would no
// longer parse, so anything else keeps the block whole.
bool InHolderElement(TFastIO& page, std::uint32_t marker) {
  // Tag names know no case ("</SCRIPT>" closes the holder too); the type's
  // value is matched as written, as the page's script matches it.
  std::string head, lower;
  head.reserve(marker);
  lower.reserve(marker);
  page.Position = 0;
  for (std::uint32_t i = 0; i < marker; ++i) {
    const char c = page.ReadChar();
    head += c;
    lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  static constexpr char kOpen[] = "<script";
  const std::size_t open = lower.rfind(kOpen);
  return open != std::string::npos && lower.find("</script", open) == std::string::npos &&
         head.compare(open + std::strlen(kOpen), std::strlen(kBlockHolderTag) - std::strlen(kOpen),
                      kBlockHolderTag + std::strlen(kOpen)) == 0;
}

}  // namespace

bool FindPayloadArea(TFastIO& page, TPayloadArea* area) {
  page.Position = 0;
  if (!page.FindText(kPageBeginMarker, kMarkerSearchLimit)) return false;
  const std::uint32_t marker = page.Position;
  std::string line_break;
  if (!SkipStartMarkerLine(page, &line_break)) return false;
  const std::uint32_t begin = page.Position;
  page.Position = marker;
  if (!page.FindText(kPageEndMarker, kMarkerSearchLimit)) return false;
  // Markers on one line would make the area end before it begins.
  if (page.Position < begin) return false;
  area->begin = begin;
  area->end = page.Position;
  area->line_break = line_break;
  // The declaration counts only in front of the payload: a page's own text
  // inside the area never chooses the protection.
  page.Position = 0;
  area->protection = page.FindText(kStrongProtectionMeta, marker) ? TProtection::Strong : TProtection::Xor;
  area->cut_into_elements = InHolderElement(page, marker);
  return true;
}

bool HoldsPageBlock(const std::string& path) {
  // Only the start marker is looked for: in a locked page the block pushes
  // the end marker far past the search limit.
  TFastIO page;
  std::string line_break;
  if (!page.Open(path) || !page.FindText(kPageBeginMarker, kMarkerSearchLimit) ||
      !SkipStartMarkerLine(page, &line_break))
    return false;
  const std::string strong_head = std::string("'") + kStrongFormatName + "',";
  const std::string strong2_head = std::string("'") + kStrongFormat2Name + "',";
  std::string head;
  for (std::size_t i = 0; i < strong_head.size(); ++i) head += page.ReadChar();
  if (head == strong_head || head == strong2_head) return true;
  auto hex = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'); };
  return head[0] == '\'' && hex(head[1]) && hex(head[2]) && head[3] == '\'' &&
         (head[4] == ',' || (head[4] == ')' && head[5] == ';'));
}
