#include "engine/format/element_cuts.h"

#include <cstring>

#include "engine/template/payload_area.h"

TElementCutSink::TElementCutSink(TBlockSink& inner, const std::string& line_break)
    : inner_(inner), line_break_start_(line_break.empty() ? '\n' : line_break[0]) {}

bool TElementCutSink::Put(const char* data, std::size_t size) {
  const char* at = data;
  const char* const end = data + size;
  while (at < end) {
    const std::size_t left = static_cast<std::size_t>(end - at);
    // Most bytes come well before the next cut is due.
    const std::size_t due = since_cut_ < kElementBytes ? kElementBytes - since_cut_ : 0;
    const char* cut = nullptr;
    for (const char* look = at + (due < left ? due : left); look < end; ++look) {
      look = static_cast<const char*>(std::memchr(look, line_break_start_, static_cast<std::size_t>(end - look)));
      if (!look) break;
      if ((look > data ? look[-1] : previous_) == ',') {
        cut = look;
        break;
      }
    }
    if (!cut) {
      since_cut_ += left;
      previous_ = end[-1];
      return inner_.Put(at, left);
    }
    if ((cut > at && !inner_.Put(at, static_cast<std::size_t>(cut - at))) || !inner_.Put(kBlockElementCut))
      return false;
    since_cut_ = 0;
    previous_ = '>';
    at = cut;
  }
  return true;
}
