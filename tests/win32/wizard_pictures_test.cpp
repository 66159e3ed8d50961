// The wizard's pictures: the embedded page pictures are progressive JPEGs
// of 153 x 237 pixels that libjpeg decodes, the window draws them into their
// boxes, and the button pictures load as 16 x 16 images.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/window/win32/jpeg_picture.h"
#include "app/window/win32/main_form.h"
#include "app/window/win32/picture_resources.h"
#include "resources/wizard_ids.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/message_recorder.h"

namespace {

TEST(WizardPictures, EveryPagePictureIsAProgressiveJpegOfTheBoxSize) {
  for (int id = IDR_PAGE_PICTURE0; id <= IDR_PAGE_PICTURE4; ++id) {
    SCOPED_TRACE(id);
    const TJpegImage image = LoadJpegResource(id);
    EXPECT_EQ(image.width, 153);
    EXPECT_EQ(image.height, 237);
    EXPECT_TRUE(image.progressive);
    EXPECT_EQ(image.stride, 460);  // 153 * 3, padded to a multiple of four
    ASSERT_EQ(image.bgr.size(), 460u * 237u);
    // Not one flat colour: the decoder produced the drawing.
    EXPECT_NE(image.bgr[0], image.bgr[image.bgr.size() / 2]);
  }
}

TEST(WizardPictures, BytesThatAreNoJpegDecodeToNothing) {
  const std::string garbage = "this is not a picture at all, only words";
  TJpegImage image;
  EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const unsigned char*>(garbage.data()), garbage.size(), &image));
  EXPECT_EQ(image.width, 0);
  EXPECT_TRUE(image.bgr.empty());
  EXPECT_FALSE(DecodeJpeg(nullptr, 0, &image));
  EXPECT_TRUE(LoadJpegResource(999).bgr.empty());
}

TEST(WizardPictures, ButtonPicturesAreSixteenPixelsSquare) {
  for (int id = IDI_HELP_BUTTON; id <= IDI_EXIT_BUTTON; ++id) {
    SCOPED_TRACE(id);
    HIMAGELIST list = LoadButtonPicture(id);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 1);
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);
    ImageList_Destroy(list);
  }
  EXPECT_EQ(LoadButtonPicture(999), nullptr);
}

TEST(WizardPictures, ThePageShowsItsPictureInItsBox) {
  testing_support::LockFixture files;
  testing_support::MessageRecorder messages;
  TMainForm form(StartUpIn(files.root.path()));
  if (form.PixelsPerInch() != 96) GTEST_SKIP() << "the picture is stretched at this screen's pixels per inch";
  form.Show();
  SetForegroundWindow(form.Handle());
  for (int page = 0; page < kPageCount; ++page) {
    SCOPED_TRACE(page);
    if (page > 0) SendMessageA(form.Control(main_form_ids::NextBtn), BM_CLICK, 0, 0);
    HWND box = form.Control(main_form_ids::Image0 + page);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const TJpegImage image = LoadJpegResource(IDR_PAGE_PICTURE0 + page);
    HDC dc = GetDC(box);
    int matching = 0;
    const POINT probes[] = {{5, 5}, {76, 60}, {76, 118}, {40, 200}, {140, 230}};
    for (const POINT& at : probes) {
      const COLORREF shown = GetPixel(dc, at.x, at.y);
      const unsigned char* pixel = &image.bgr[at.y * image.stride + at.x * 3];
      const bool same = std::abs(GetRValue(shown) - pixel[2]) <= 8 &&
                        std::abs(GetGValue(shown) - pixel[1]) <= 8 &&
                        std::abs(GetBValue(shown) - pixel[0]) <= 8;
      matching += same ? 1 : 0;
    }
    ReleaseDC(box, dc);
    EXPECT_EQ(matching, 5);
  }
}

}  // namespace
