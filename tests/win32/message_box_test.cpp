// The program's message boxes as the system shows them: a person who presses
// Enter at a Yes/No question answers No.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "platform/platform.h"
#include "tests/support/win32/process_windows.h"

namespace {

struct TEnterPressed {
  bool found = false;
  // The button drawn as the default one (IDYES or IDNO); 0 when neither.
  int default_button = 0;
};

// Waits for this process's box with `caption`, notes its default button and
// presses Enter on it.
void PressEnterOnBox(const char* caption, TEnterPressed* seen) {
  HWND box = testing_support::WaitForProcessWindow(GetCurrentProcessId(), "#32770", caption, 10000, 50);
  if (!box) return;
  seen->found = true;
  // The box is found as soon as it exists; a key before its thread has put
  // the focus on a button would land on no button, or on the wrong one.
  for (int tries = 0; tries < 100; ++tries) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) && info.hwndFocus != nullptr &&
        GetParent(info.hwndFocus) == box)
      break;
    Sleep(20);
  }
  for (int id : {IDYES, IDNO}) {
    HWND button = GetDlgItem(box, id);
    if (button && (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      seen->default_button = id;
  }
  // The box's own loop gives the key its dialog meaning.
  PostMessageA(box, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(box, WM_KEYUP, VK_RETURN, 0xC0000001);
}

TEST(QuestionBox, EnterAtAYesNoQuestionAnswersNo) {
  TEnterPressed seen;
  std::thread presser(PressEnterOnBox, "Question", &seen);
  const platform::MessageAnswer answer =
      platform::ShowMessage({"Question", "Backup file a.html is exists.\nReplace it?",
                             platform::MessageIcon::Warning, platform::MessageButtons::YesNo});
  presser.join();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.default_button, IDNO);
  EXPECT_EQ(answer, platform::MessageAnswer::No);
}

TEST(QuestionBox, AQuestionMayStillAskForYesAsItsDefault) {
  TEnterPressed seen;
  std::thread presser(PressEnterOnBox, "Question", &seen);
  platform::MessageRequest request{"Question", "Go on?", platform::MessageIcon::Warning,
                                   platform::MessageButtons::YesNo};
  request.default_answer = platform::MessageAnswer::Yes;
  const platform::MessageAnswer answer = platform::ShowMessage(request);
  presser.join();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.default_button, IDYES);
  EXPECT_EQ(answer, platform::MessageAnswer::Yes);
}

}  // namespace
