// The fonts of the wizard window, made for a given pixels-per-inch value.
#pragma once

#include <windows.h>

// The height in pixels of one line of text in `font`.
int LineHeight(HFONT font);

// The average width in pixels of the letters a-z and A-Z in `font`.
double AverageLetterWidth(HFONT font);

// A font of `face` whose text lines are `line_height` pixels high. It first
// asks for `char_height` (the character height the raster face is designed
// for); when the system gives another face (a TrueType stand-in), it asks
// again for the cell height that gives the wanted line height, and narrows
// the stand-in until its letters are no wider on average than
// `letter_width`, so that captions fit the boxes made for the real face.
HFONT CreateFontForLineHeight(const char* face, int char_height, int line_height, double letter_width,
                              int weight);

// A font of `face` with the given character height.
HFONT CreateFontForCharHeight(const char* face, int char_height, int weight);
