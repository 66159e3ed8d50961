#include "app/window/win32/form_fonts.h"

#include <cstdlib>

#include "app/window/win32/gdi_guards.h"

namespace {

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

HFONT MakeFont(const char* face, int height, int weight, int width = 0) {
  return CreateFontA(height, width, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

TEXTMETRICA Metrics(HFONT font) {
  TMemoryDC dc;
  TSelectedObject selected(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  return metrics;
}

bool IsFace(HFONT font, const char* face) {
  TMemoryDC dc;
  TSelectedObject selected(dc, font);
  char got[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, got);
  return lstrcmpiA(got, face) == 0;
}

}  // namespace

double AverageLetterWidth(HFONT font) {
  TMemoryDC dc;
  TSelectedObject selected(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, kLetters, sizeof kLetters - 1, &size);
  return static_cast<double>(size.cx) / (sizeof kLetters - 1);
}

namespace {

// Narrows a stand-in face: the average character width asked for shrinks
// until the letters are no wider on average than `letter_width`.
HFONT Narrowed(HFONT font, const char* face, int height, double letter_width, int weight) {
  int width = Metrics(font).tmAveCharWidth;
  for (int attempt = 0; attempt < 8 && AverageLetterWidth(font) > letter_width + 0.25 && width > 1;
       ++attempt) {
    HFONT narrower = MakeFont(face, height, weight, --width);
    DeleteObject(font);
    font = narrower;
  }
  return font;
}

}  // namespace

int LineHeight(HFONT font) { return Metrics(font).tmHeight; }

HFONT CreateFontForLineHeight(const char* face, int char_height, int line_height, double letter_width,
                              int weight) {
  HFONT best = MakeFont(face, -char_height, weight);
  int best_miss = std::abs(LineHeight(best) - line_height);
  int best_request = -char_height;
  // A positive height asks for the cell height, which is the line height; a
  // stand-in face may still round, so a few corrections follow.
  int request = line_height;
  for (int attempt = 0; attempt < 6 && best_miss != 0 && request > 0; ++attempt) {
    HFONT font = MakeFont(face, request, weight);
    const int got = LineHeight(font);
    const int miss = std::abs(got - line_height);
    if (miss < best_miss) {
      DeleteObject(best);
      best = font;
      best_miss = miss;
      best_request = request;
    } else {
      DeleteObject(font);
    }
    request += line_height - got;
    if (got == line_height) break;
  }
  if (IsFace(best, face)) return best;
  return Narrowed(best, face, best_request, letter_width, weight);
}

HFONT CreateFontForCharHeight(const char* face, int char_height, int weight) {
  return MakeFont(face, -char_height, weight);
}
