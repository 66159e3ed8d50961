// The wizard on a screen of 120 pixels per inch: the window and all its
// controls come out 120/96 times as large; at 72 they keep their sizes.
// Wine reads the setting when a program starts, so each test sets it in its
// own wine prefix, runs itself again, and puts the old setting back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/window/win32/form_fonts.h"
#include "app/window/win32/main_form.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/message_recorder.h"

using namespace main_form_ids;

namespace {

// Set in the run of the program that the setting is made for.
constexpr char kChildMarker[] = "ZENDREL_DPI_CHILD";

// The places wine reads the screen's pixels per inch from.
struct TSetting {
  HKEY root;
  const char* key;
};
const TSetting kSettings[] = {{HKEY_CURRENT_USER, "Control Panel\\Desktop"},
                              {HKEY_CURRENT_CONFIG, "Software\\Fonts"}};

// Sets LogPixels in every place for the life of the object.
class TLogPixels {
 public:
  explicit TLogPixels(DWORD ppi) {
    for (int i = 0; i < 2; ++i) {
      HKEY key;
      if (RegCreateKeyExA(kSettings[i].root, kSettings[i].key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        continue;
      }
      DWORD size = sizeof saved_[i];
      had_[i] = RegQueryValueExA(key, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&saved_[i]),
                                 &size) == ERROR_SUCCESS;
      RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ppi), sizeof ppi);
      RegCloseKey(key);
    }
  }
  ~TLogPixels() {
    for (int i = 0; i < 2; ++i) {
      HKEY key;
      if (RegOpenKeyExA(kSettings[i].root, kSettings[i].key, 0, KEY_WRITE, &key) != ERROR_SUCCESS) continue;
      if (had_[i]) {
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_[i]),
                       sizeof saved_[i]);
      } else {
        RegDeleteValueA(key, "LogPixels");
      }
      RegCloseKey(key);
    }
  }

 private:
  DWORD saved_[2] = {};
  bool had_[2] = {};
};

int ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return ppi;
}

// Runs this program again with only the current test and returns its exit
// code.
DWORD RunChild() {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string command =
      std::string("\"") + program + "\" --gtest_filter=" + test->test_suite_name() + "." + test->name();
  SetEnvironmentVariableA(kChildMarker, "1");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 255;
  }
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = 255;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

RECT PlaceOf(HWND window) {
  RECT box;
  GetWindowRect(window, &box);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&box), 2);
  return box;
}

void ExpectPlace(HWND window, int x, int y, int width, int height) {
  const RECT box = PlaceOf(window);
  EXPECT_EQ(box.left, x);
  EXPECT_EQ(box.top, y);
  EXPECT_EQ(box.right - box.left, width);
  EXPECT_EQ(box.bottom - box.top, height);
}

int FontLineHeight(HWND window) {
  return LineHeight(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
}

// True in the parent run, after the child ran at `ppi`; false in the
// child, which then checks the window.
bool RanAt(DWORD ppi) {
  if (std::getenv(kChildMarker) != nullptr) return false;
  TLogPixels setting(ppi);
  EXPECT_EQ(RunChild(), 0u) << "the run at " << ppi << " pixels per inch failed";
  return true;
}

TEST(MainFormDpi, At120WindowAndControlsAreOneAndAQuarterTimesAsLarge) {
  if (RanAt(120)) return;
  ASSERT_EQ(ScreenPixelsPerInch(), 120) << "wine did not take the setting";

  testing_support::LockFixture files;
  testing_support::MessageRecorder messages;
  TMainForm form(StartUpIn(files.root.path()));
  form.Show();
  EXPECT_EQ(form.PixelsPerInch(), 120);

  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 606);   // 485 * 1.25
  EXPECT_EQ(client.bottom, 364);  // 291 * 1.25

  ExpectPlace(form.Control(NextBtn), 405, 325, 94, 31);
  ExpectPlace(form.Control(HelpBtn), 10, 325, 94, 31);
  ExpectPlace(form.Control(Panel0), 0, 0, 606, 311);
  ExpectPlace(form.Control(Image0), 10, 10, 191, 296);
  ExpectPlace(form.Control(LabelText0), 220, 50, 371, 91);
  ExpectPlace(form.Control(SourceBtn), 500, 160, 99, 31);
  ExpectPlace(form.Control(PassEdit), 315, 190, 256, 26);
  ExpectPlace(form.Control(LabelText4), 220, 50, 336, 121);

  // The pages docked later keep the scaled height too.
  SendMessageA(form.Control(NextBtn), BM_CLICK, 0, 0);
  ExpectPlace(form.Control(Panel1), 0, 0, 606, 311);

  // Text lines grow from 13 to 16 pixels; the headline's characters from 23
  // to 29.
  EXPECT_EQ(FontLineHeight(form.Control(LabelText0)), 16);
  EXPECT_EQ(FontLineHeight(form.Control(SourceLabel)), 16);
  EXPECT_GE(FontLineHeight(form.Control(Label0)), 29);
  EXPECT_TRUE(messages.shown().empty());
}

TEST(MainFormDpi, At72TheLayoutIsNeverShrunk) {
  if (RanAt(72)) return;
  ASSERT_EQ(ScreenPixelsPerInch(), 72) << "wine did not take the setting";

  testing_support::LockFixture files;
  testing_support::MessageRecorder messages;
  TMainForm form(StartUpIn(files.root.path()));
  form.Show();
  EXPECT_EQ(form.PixelsPerInch(), 72);
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 485);
  EXPECT_EQ(client.bottom, 291);
  ExpectPlace(form.Control(NextBtn), 324, 260, 75, 25);
  ExpectPlace(form.Control(Panel0), 0, 0, 485, 249);
  ExpectPlace(form.Control(Image0), 8, 8, 153, 237);
  ExpectPlace(form.Control(PassEdit), 252, 152, 205, 21);
  EXPECT_EQ(FontLineHeight(form.Control(LabelText0)), 13);
}

}  // namespace
