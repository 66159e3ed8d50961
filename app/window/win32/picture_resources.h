// The wizard's pictures as the window needs them: page pictures decoded from
// the program's RCDATA resources and drawn stretched into a box, and button
// pictures as image lists.
#pragma once

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/window/win32/jpeg_picture.h"

// Decodes the JPEG stored as RCDATA resource `id` of the program. An empty
// image when the resource is missing or cannot be decoded.
TJpegImage LoadJpegResource(int id);

// Draws the image stretched into `box` (nothing for an empty image).
void DrawStretched(HDC dc, const RECT& box, const TJpegImage& image);

// An image list holding the 16 x 16 icon resource `id`; nullptr when the
// icon is missing. The caller destroys it.
HIMAGELIST LoadButtonPicture(int id);
