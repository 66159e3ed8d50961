#include "app/win32/form_fonts.h"

#include <cstdlib>

namespace {

HFONT MakeFont(const char* face, int height, int weight) {
  return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

int LineHeight(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  DeleteDC(dc);
  return metrics.tmHeight;
}

HFONT CreateFontForLineHeight(const char* face, int char_height, int line_height, int weight) {
  HFONT best = MakeFont(face, -char_height, weight);
  int best_miss = std::abs(LineHeight(best) - line_height);
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
    } else {
      DeleteObject(font);
    }
    request += line_height - got;
    if (got == line_height) break;
  }
  return best;
}

HFONT CreateFontForCharHeight(const char* face, int char_height, int weight) {
  return MakeFont(face, -char_height, weight);
}
