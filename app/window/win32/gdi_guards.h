// Scoped Win32 GDI state: a memory device context, a window's device
// context, and an object selected into a device context. Each puts back or
// releases what it took when it goes out of scope, on every path.
#pragma once

#include <windows.h>

// A memory device context compatible with the screen.
class TMemoryDC {
 public:
  TMemoryDC() : dc_(CreateCompatibleDC(nullptr)) {}
  ~TMemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// The device context of a window's client area.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// `object` selected into `dc`; the former object of its kind comes back.
class TSelectedObject {
 public:
  TSelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~TSelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  TSelectedObject(const TSelectedObject&) = delete;
  TSelectedObject& operator=(const TSelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
