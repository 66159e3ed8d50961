// Decoding of the wizard's pictures: JPEG bytes (baseline or progressive)
// to pixels that a device-independent bitmap can show.
#pragma once

#include <cstddef>
#include <vector>

struct TJpegImage {
  int width = 0;
  int height = 0;
  bool progressive = false;
  // Rows top to bottom, blue-green-red per pixel, each row padded to a
  // multiple of four bytes (`stride`), as a 24-bit DIB wants them.
  int stride = 0;
  std::vector<unsigned char> bgr;
};

// Decodes `size` bytes of a JPEG file. False (and `image` left empty) when
// the bytes are not a JPEG the decoder can read; the decoder never ends the
// process.
bool DecodeJpeg(const unsigned char* data, std::size_t size, TJpegImage* image);
