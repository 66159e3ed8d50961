#include "app/window/win32/picture_resources.h"

namespace {

constexpr int kButtonPictureSize = 16;

}  // namespace

TJpegImage LoadJpegResource(int id) {
  TJpegImage image;
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (!found) return image;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return image;
  DecodeJpeg(static_cast<const unsigned char*>(bytes), SizeofResource(module, found), &image);
  return image;
}

void DrawStretched(HDC dc, const RECT& box, const TJpegImage& image) {
  if (image.width == 0 || image.height == 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // rows run top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  // Halftone keeps a picture smooth when a high pixels-per-inch value
  // enlarges it.
  const int old_mode = SetStretchBltMode(dc, HALFTONE);
  POINT old_origin;
  SetBrushOrgEx(dc, 0, 0, &old_origin);
  StretchDIBits(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, 0, 0, image.width,
                image.height, image.bgr.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
  SetStretchBltMode(dc, old_mode);
}

HIMAGELIST LoadButtonPicture(int id) {
  HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                             kButtonPictureSize, kButtonPictureSize, LR_DEFAULTCOLOR));
  if (!icon) return nullptr;
  HIMAGELIST list = ImageList_Create(kButtonPictureSize, kButtonPictureSize, ILC_COLOR32 | ILC_MASK, 1, 0);
  if (list) ImageList_AddIcon(list, icon);
  DestroyIcon(icon);
  return list;
}
