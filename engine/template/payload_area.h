// What a page's markers tell: where the payload area of a template start page
// lies, which protection the template asks for, and whether a page already
// holds a block (is a locked page).
#pragma once

#include <cstdint>
#include <string>

#include "engine/template_library.h"

class TFastIO;

// The payload area of a template start page lies between these markers.
inline constexpr char kPageBeginMarker[] = "//Page Begin";
inline constexpr char kPageEndMarker[] = "//Page End";
// Both markers must begin within this many bytes (of the file's start, and
// of the start marker).
inline constexpr unsigned kMarkerSearchLimit = 30000;
// The line breaks a start marker's line may end with; the block's own lines
// end the same way.
inline constexpr char kCrLf[] = "\r\n";
inline constexpr char kLf[] = "\n";

// A start page whose payload area lies in a script element opened by this
// tag (the shipped templates' holder, which the browser does not run) gets
// its block cut into several such elements: browsers parse one element of
// tens of MiB slowly and hold the page's thread meanwhile. The cut closes
// the element after a line's "," and opens the next before its line break,
// so the elements' texts joined are the block as one element holds it.
inline constexpr char kBlockHolderTag[] = "<script type=\"text/x-zendrel-page\"";
inline constexpr char kBlockElementCut[] = "</script><script type=\"text/x-zendrel-page\">";

// A start page that declares this, before "//Page Begin" and within the
// marker search limit, gets the strong block.
inline constexpr char kStrongProtectionMeta[] = "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">";

struct TPayloadArea {
  // From just after the line break that ends the start marker's line up to
  // the first byte of the end marker.
  std::uint32_t begin = 0;
  std::uint32_t end = 0;
  TProtection protection = TProtection::Xor;
  // The line break that ends the start marker's line: kCrLf or kLf.
  std::string line_break = kCrLf;
  // The area lies in an element opened by kBlockHolderTag, which the block
  // may close and open again (kBlockElementCut).
  bool cut_into_elements = false;
};

// Finds the payload area in the file `page` is open on, from its start, and
// whether its block may be cut into elements: the last script element opened
// before the start marker is opened by kBlockHolderTag and not yet closed. False
// when a marker is missing within the limit, the start marker is not followed
// at once by CR LF or LF, or both markers lie on one line.
bool FindPayloadArea(TFastIO& page, TPayloadArea* area);

// With `page` on the first byte of the start marker: moves past the marker
// and the line break that ends its line, and tells which it was (kCrLf or
// kLf). False when anything else follows the marker.
bool SkipStartMarkerLine(TFastIO& page, std::string* line_break);

// True when the payload area of the file at `path` holds a block: the line
// after "//Page Begin" is an XOR block's check line ("'" two upper-case hex
// digits "'," or "');") or a strong block's format line, of either version.
// False for a template's own placeholder, and for a file without the start
// marker.
bool HoldsPageBlock(const std::string& path);
