#include "app/window/win32/jpeg_picture.h"

#include <csetjmp>
#include <cstdio>

// jpeglib.h wants FILE (from <cstdio>) declared first.
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace {

// libjpeg's own error exit ends the process; this one jumps back to the
// decoder instead. Only C frames lie between the jump and its target.
struct TDecodeErrors {
  jpeg_error_mgr manager;
  std::jmp_buf back;
};

void JumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<TDecodeErrors*>(info->err)->back, 1); }

void Quiet(j_common_ptr) {}

}  // namespace

bool DecodeJpeg(const unsigned char* data, std::size_t size, TJpegImage* image) {
  *image = TJpegImage();
  if (data == nullptr || size == 0) return false;

  jpeg_decompress_struct info;
  TDecodeErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpBack;
  errors.manager.output_message = Quiet;
  if (setjmp(errors.back)) {
    jpeg_destroy_decompress(&info);
    *image = TJpegImage();
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);

  image->width = static_cast<int>(info.output_width);
  image->height = static_cast<int>(info.output_height);
  image->progressive = info.progressive_mode != 0;
  image->stride = (image->width * 3 + 3) & ~3;
  image->bgr.assign(static_cast<std::size_t>(image->stride) * image->height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->bgr.data() + static_cast<std::size_t>(image->stride) * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}
