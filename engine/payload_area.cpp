#include "engine/payload_area.h"

#include <cctype>

#include "engine/strong_format.h"
#include "fileio/fast_io.h"

bool FindPayloadArea(TFastIO& page, TPayloadArea* area) {
  page.Position = 0;
  if (!page.FindText(kPageBeginMarker, kMarkerSearchLimit)) return false;
  const std::uint32_t marker = page.Position;
  if (!page.FindText(kPageEndMarker, kMarkerSearchLimit)) return false;
  // Markers on one line would make the area end before it begins.
  if (page.Position < marker + kPayloadOffset) return false;
  area->begin = marker + kPayloadOffset;
  area->end = page.Position;
  // The declaration counts only in front of the payload: a page's own text
  // inside the area never chooses the protection.
  page.Position = 0;
  area->protection = page.FindText(kStrongProtectionMeta, marker) ? TProtection::Strong : TProtection::Xor;
  return true;
}

bool HoldsPageBlock(const std::string& path) {
  // Only the start marker is looked for: in a locked page the block pushes
  // the end marker far past the search limit.
  TFastIO page;
  if (!page.Open(path) || !page.FindText(kPageBeginMarker, kMarkerSearchLimit)) return false;
  page.Position += kPayloadOffset;
  const std::string strong_head = std::string("'") + kStrongFormatName + "',";
  std::string head;
  for (std::size_t i = 0; i < strong_head.size(); ++i) head += page.ReadChar();
  if (head == strong_head) return true;
  auto hex = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'); };
  return head[0] == '\'' && hex(head[1]) && hex(head[2]) && head[3] == '\'' &&
         (head[4] == ',' || (head[4] == ')' && head[5] == ';'));
}
