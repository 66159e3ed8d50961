// The wizard window, driven through its real controls under wine: clicks
// are BM_CLICK, captions and states are read back from the windows. Only
// the message boxes, the file dialogs and the shell are replaced.
#include "app/window/win32/main_form.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/common/application.h"
#include "app/common/start_up.h"
#include "app/window/win32/form_fonts.h"
#include "engine/page_unlock.h"
#include "engine/template/payload_area.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/message_pump.h"
#include "zendrel_version.h"

using namespace main_form_ids;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

// Under a virtual display no window manager answers, and wine waits two
// seconds for one whenever a managed window goes away. This program's
// windows are therefore left to wine itself; the setting is read when the
// first window is made, and only for this program.
class UnmanagedWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\main_form_test.exe\\X11 Driver", 0,
                        nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(key);
    }
  }
};
const auto* const kUnmanagedWindows = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

// What a person would do in a file dialog: pick this path, or cancel (an
// empty path).
struct TDialogAnswer {
  std::string path;
};

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest()
      : shell_(
            [this](const std::string& target, const std::string&) {
              opened_.push_back(target);
              return 42;
            },
            [this](const std::string& command) {
              commands_.push_back(command);
              return 42;
            }),
        dialogs_([this](platform::FileDialogRequest& request) {
          requests_.push_back(request);
          if (answers_.empty()) throw std::logic_error("a file dialog opened that the test did not expect");
          const TDialogAnswer answer = answers_.front();
          answers_.pop_front();
          if (answer.path.empty()) return false;
          request.file_name = answer.path;
          return true;
        }) {}

  // The backups go to a folder of the test's own, not into the prefix's
  // documents; it does not exist until the wizard needs it.
  void Open() {
    form_ = std::make_unique<TMainForm>(start_up_);
    form_->BackupsFolder = backups_;
    form_->Show();
    SetForegroundWindow(form_->Handle());
    ProcessMessages();
  }

  HWND Window(int id) const { return form_->Control(id); }
  void Click(int id) { SendMessageA(Window(id), BM_CLICK, 0, 0); }
  std::string Caption(int id) const {
    char text[1024] = {};
    GetWindowTextA(Window(id), text, sizeof text);
    return text;
  }
  bool Enabled(int id) const { return IsWindowEnabled(Window(id)) != FALSE; }
  bool Visible(int id) const { return IsWindowVisible(Window(id)) != FALSE; }
  bool Checked(int id) const { return SendMessageA(Window(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  int VisiblePage() const {
    int shown = -1;
    for (int page = 0; page < kPageCount; ++page) {
      if (Visible(Panel0 + page)) {
        EXPECT_EQ(shown, -1) << "two pages are visible";
        shown = page;
      }
    }
    return shown;
  }
  void GoToPage(int page) {
    while (form_->CurrentPage < page) Click(NextBtn);
    while (form_->CurrentPage > page) Click(PrevBtn);
    ASSERT_EQ(VisiblePage(), page);
  }
  std::string SelectedTemplate() const {
    const LRESULT index = SendMessageA(Window(TemplatesComboBox), CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return "<none>";
    char text[512] = {};
    SendMessageA(Window(TemplatesComboBox), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
  }
  std::vector<std::string> TemplateList() const {
    std::vector<std::string> names;
    const LRESULT count = SendMessageA(Window(TemplatesComboBox), CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      char text[512] = {};
      SendMessageA(Window(TemplatesComboBox), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      names.push_back(text);
    }
    return names;
  }
  // Chooses a page through SourceBtn on page 1.
  void ChoosePage(const std::string& path) {
    GoToPage(1);
    answers_.push_back({path});
    Click(SourceBtn);
  }
  RECT ClientRectOf(int id) const {
    RECT box;
    GetWindowRect(Window(id), &box);
    MapWindowPoints(nullptr, GetParent(Window(id)), reinterpret_cast<POINT*>(&box), 2);
    return box;
  }
  void PressKey(HWND target, WPARAM key) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    ProcessMessages();
  }

  testing_support::LockFixture files_;
  const std::string backups_ = files_.root / "Zendrel Backups\\";
  // The program as if installed in the fixture's root: its templates are
  // the fixture's.
  TStartUp start_up_ = StartUpIn(files_.root.path());
  testing_support::MessageRecorder messages_;
  std::vector<std::string> opened_;
  std::vector<std::string> commands_;
  platform::ScopedShellHandler shell_;
  std::deque<TDialogAnswer> answers_;
  std::vector<platform::FileDialogRequest> requests_;
  platform::ScopedFileDialogHandler dialogs_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(MainFormTest, StartsOnPageZeroWithItsCaptionsAndStartValues) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  Open();
  char caption[256] = {};
  GetWindowTextA(form_->Handle(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Quelto Zendrel " ZENDREL_VERSION);
  EXPECT_NE(GetClassLongPtrA(form_->Handle(), GCLP_HICONSM), 0);
  EXPECT_EQ(form_->CurrentPage, 0);
  EXPECT_EQ(VisiblePage(), 0);
  EXPECT_EQ(Caption(Label0), "Welcome to Zendrel");
  EXPECT_EQ(Caption(Label1), "Step One");
  EXPECT_EQ(Caption(Label6), "Step Two");
  EXPECT_EQ(Caption(Label9), "Step Three");
  EXPECT_EQ(Caption(Label12), "Last Step");
  EXPECT_EQ(
      Caption(LabelText3),
      "Select a template from the list of available templates. You can preview the selected template by "
      "clicking \"Preveiew\" button. If you want to hide a page source, select a special template.");
  EXPECT_EQ(Caption(SourceLabel), "<not selected>");
  EXPECT_EQ(Caption(DestLabel), "<not selected>");
  EXPECT_EQ(Caption(PassEdit), "pagekey");
  EXPECT_TRUE(Checked(RadioButtonPwd));
  EXPECT_FALSE(Checked(RadioButtonSrc));
  EXPECT_EQ(SelectedTemplate(), "Plain");
  EXPECT_FALSE(Enabled(ShowBtn));
  EXPECT_EQ(Caption(NextBtn), "&Next");
  EXPECT_EQ(Caption(TempPreviewBtn), "Pre&view >>>");
  EXPECT_TRUE(messages_.shown().empty());
}

TEST_F(MainFormTest, PrevAndNextFollowThePageTable) {
  Open();
  const bool prev[kPageCount] = {false, true, true, true, true};
  const bool next[kPageCount] = {true, true, true, true, false};
  for (int page = 0; page < kPageCount; ++page) {
    SCOPED_TRACE(page);
    EXPECT_EQ(form_->CurrentPage, page);
    EXPECT_EQ(VisiblePage(), page);
    EXPECT_EQ(Enabled(PrevBtn), prev[page]);
    EXPECT_EQ(Enabled(NextBtn), next[page]);
    if (page < kPageCount - 1) Click(NextBtn);
  }
  // Next is disabled on the last page, and a click on it changes nothing.
  Click(NextBtn);
  EXPECT_EQ(form_->CurrentPage, 4);
  for (int page = 4; page > 0; --page) {
    Click(PrevBtn);
    EXPECT_EQ(form_->CurrentPage, page - 1);
    EXPECT_EQ(VisiblePage(), page - 1);
  }
  Click(PrevBtn);
  EXPECT_EQ(form_->CurrentPage, 0);
  EXPECT_FALSE(Enabled(PrevBtn));
}

TEST_F(MainFormTest, EnterPressesNextUnlessAnotherButtonHasTheFocus) {
  Open();
  GoToPage(2);
  SetFocus(Window(PassEdit));
  PressKey(Window(PassEdit), VK_RETURN);
  EXPECT_EQ(form_->CurrentPage, 3);

  // A focused button is pressed itself.
  SetFocus(Window(HelpBtn));
  PressKey(Window(HelpBtn), VK_RETURN);
  EXPECT_EQ(form_->CurrentPage, 3);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], files_.root.path() + "Manual\\index.html");

  // On the last page Next is disabled and Enter stays.
  Click(NextBtn);
  ASSERT_EQ(form_->CurrentPage, 4);
  SetFocus(form_->Handle());
  PressKey(form_->Handle(), VK_RETURN);
  EXPECT_EQ(form_->CurrentPage, 4);
  EXPECT_TRUE(messages_.shown().empty());
}

TEST_F(MainFormTest, OnTheLastStepEnterPressesCreateNotExit) {
  Open();
  GoToPage(3);
  SetFocus(Window(NextBtn));
  PressKey(Window(NextBtn), VK_RETURN);
  ASSERT_EQ(form_->CurrentPage, 4);
  EXPECT_EQ(GetFocus(), Window(CrBtn));
  // Enter now presses Create, whose first check answers; the window lives.
  PressKey(GetFocus(), VK_RETURN);
  EXPECT_TRUE(IsWindow(form_->Handle()));
  EXPECT_EQ(messages_.Transcript(), "Error|A page to lock is not selected\n");
  EXPECT_EQ(form_->CurrentPage, 1);
}

TEST_F(MainFormTest, AccessKeysPressTheirButtons) {
  Open();
  PostMessageA(Window(NextBtn), WM_SYSCHAR, 'n', 1 << 29);
  ProcessMessages();
  EXPECT_EQ(form_->CurrentPage, 1);
  PostMessageA(Window(NextBtn), WM_SYSCHAR, 'p', 1 << 29);
  ProcessMessages();
  EXPECT_EQ(form_->CurrentPage, 0);
}

TEST_F(MainFormTest, TabOrderIsTheButtonRowThenThePage) {
  Open();
  const auto order = [&]() {
    std::vector<HWND> seen;
    HWND at = Window(NextBtn);
    for (int i = 0; i < 10; ++i) {
      seen.push_back(at);
      at = GetNextDlgTabItem(form_->Handle(), at, FALSE);
      if (at == Window(NextBtn)) break;
    }
    return seen;
  };
  GoToPage(1);
  EXPECT_EQ(order(), (std::vector<HWND>{Window(NextBtn), Window(ExitBtn), Window(HelpBtn), Window(PrevBtn),
                                        Window(SourceBtn), Window(DestBtn)}));
  Click(NextBtn);
  EXPECT_EQ(order(), (std::vector<HWND>{Window(NextBtn), Window(ExitBtn), Window(HelpBtn), Window(PrevBtn),
                                        Window(PassEdit), Window(RadioButtonPwd)}));
  Click(RadioButtonSrc);
  EXPECT_EQ(order(), (std::vector<HWND>{Window(NextBtn), Window(ExitBtn), Window(HelpBtn), Window(PrevBtn),
                                        Window(RadioButtonSrc)}));
  Click(NextBtn);
  Click(RadioButtonPwd);
  EXPECT_EQ(order(), (std::vector<HWND>{Window(NextBtn), Window(ExitBtn), Window(HelpBtn), Window(PrevBtn),
                                        Window(TemplatesComboBox), Window(TempPreviewBtn)}));
}

TEST_F(MainFormTest, WhatIsEnteredOnAPageStaysWhenPagesChange) {
  Open();
  GoToPage(2);
  SetWindowTextA(Window(PassEdit), "secret");
  Click(NextBtn);
  Click(NextBtn);
  Click(PrevBtn);
  Click(PrevBtn);
  EXPECT_EQ(Caption(PassEdit), "secret");
}

struct BackupCase {
  const char* page;
  const char* backup;
};

class BackupSuggestionTest : public MainFormTest, public ::testing::WithParamInterface<BackupCase> {};

TEST_P(BackupSuggestionTest, ChoosingThePageSuggestsABackupOutsideItsFolder) {
  Open();
  const std::string page = files_.Page(GetParam().page);
  ChoosePage(page);
  EXPECT_EQ(Caption(SourceLabel), GetParam().page);
  EXPECT_EQ(Caption(DestLabel), GetParam().backup);
  EXPECT_FALSE(testing_support::Exists(backups_));

  // The save dialog opens on the suggested backup in the backups folder,
  // made for it.
  answers_.push_back({""});
  Click(DestBtn);
  ASSERT_EQ(requests_.size(), 2u);
  EXPECT_EQ(requests_[1].file_name, backups_ + GetParam().backup);
  EXPECT_TRUE(testing_support::Exists(backups_));
  EXPECT_EQ(Caption(DestLabel), GetParam().backup);
}

INSTANTIATE_TEST_SUITE_P(Names, BackupSuggestionTest,
                         ::testing::Values(BackupCase{"index.html", "index_original.html"},
                                           BackupCase{"page.htm", "page_original.htm"},
                                           BackupCase{"notes", "notes_original.html"},
                                           BackupCase{"archive.tar.gz", "archive.tar_original.gz"},
                                           BackupCase{".htaccess", "_original.htaccess"},
                                           BackupCase{"draft.", "draft_original."}));

TEST_F(MainFormTest, TheDialogsAreAskedAsTheWindowDescribesThem) {
  Open();
  ChoosePage(files_.Page("index.html"));
  answers_.push_back({files_.root / "keep.bak"});
  Click(DestBtn);
  ASSERT_EQ(requests_.size(), 2u);
  const std::string filter =
      "HTML File (*.html;*.htm;*.shtml)|*.html;*.htm;*.shtml|Text File (*.txt)|*.txt|Any File (*.*)|*.*";
  EXPECT_FALSE(requests_[0].save);
  EXPECT_TRUE(requests_[0].file_must_exist);
  EXPECT_EQ(requests_[0].filter, filter);
  EXPECT_EQ(requests_[0].file_name, "");
  EXPECT_EQ(requests_[0].owner, reinterpret_cast<std::intptr_t>(form_->Handle()));
  EXPECT_TRUE(requests_[1].save);
  EXPECT_TRUE(requests_[1].overwrite_prompt);
  EXPECT_EQ(requests_[1].filter, filter);
  EXPECT_EQ(Caption(DestLabel), "keep.bak");
  EXPECT_EQ(form_->SaveDialog.FileName, files_.root / "keep.bak");
}

TEST_F(MainFormTest, ACancelledDialogChangesNothing) {
  Open();
  ChoosePage(files_.Page("index.html"));
  answers_.push_back({""});
  Click(SourceBtn);
  answers_.push_back({""});
  Click(DestBtn);
  EXPECT_EQ(Caption(SourceLabel), "index.html");
  EXPECT_EQ(Caption(DestLabel), "index_original.html");
  EXPECT_EQ(form_->OpenDialog.FileName, files_.Page("index.html"));
  EXPECT_EQ(form_->SaveDialog.FileName, backups_ + "index_original.html");
}

TEST_F(MainFormTest, ChoosingThePageAfterTheBackupReplacesTheBackup) {
  Open();
  GoToPage(1);
  answers_.push_back({files_.root / "elsewhere.html"});
  Click(DestBtn);
  EXPECT_EQ(Caption(DestLabel), "elsewhere.html");
  answers_.push_back({files_.Page("index.html")});
  Click(SourceBtn);
  EXPECT_EQ(Caption(DestLabel), "index_original.html");
  EXPECT_EQ(form_->SaveDialog.FileName, backups_ + "index_original.html");
}

TEST_F(MainFormTest, CreateWithoutAPageShowsPageOne) {
  Open();
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.Transcript(), "Error|A page to lock is not selected\n");
  EXPECT_EQ(messages_.shown()[0].icon, platform::MessageIcon::Error);
  EXPECT_EQ(messages_.shown()[0].buttons, platform::MessageButtons::Ok);
  EXPECT_EQ(form_->CurrentPage, 1);
  EXPECT_EQ(VisiblePage(), 1);
}

TEST_F(MainFormTest, CreateWithoutABackupShowsPageOne) {
  Open();
  ChoosePage(files_.Page("index.html"));
  // Choosing a page always suggests a backup; the label is the window's
  // record of that choice, so the test takes the choice back there.
  SetWindowTextA(Window(DestLabel), "<not selected>");
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.Transcript(), "Error|Backup file is not selected\n");
  EXPECT_EQ(form_->CurrentPage, 1);
}

TEST_F(MainFormTest, CreateWithAnEmptyPasswordShowsPageTwoAndLocksNothing) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  WriteFile(files_.Page("index.html"), "<p>mine</p>");
  Open();
  ChoosePage(files_.Page("index.html"));
  GoToPage(2);
  SetWindowTextA(Window(PassEdit), "");
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.Transcript(), "Error|A password is not entered\n");
  EXPECT_EQ(form_->CurrentPage, 2);
  EXPECT_EQ(ReadFile(files_.Page("index.html")), "<p>mine</p>");
  EXPECT_FALSE(testing_support::Exists(backups_ + "index_original.html"));
  EXPECT_FALSE(Enabled(ShowBtn));
}

TEST_F(MainFormTest, BackupsAreSuggestedInZendrelBackupsInTheDocuments) {
  // The shell's documents folder of the prefix, from the user's profile.
  char profile[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile), 0u);
  TMainForm form(start_up_);
  EXPECT_EQ(form.BackupsFolder, std::string(profile) + "\\Documents\\Zendrel Backups\\");
}

// Where the backup is chosen for the page "index.html", and whether the Last
// Step warns that it would be published with the page.
enum class TBackupPlace { Suggested, OtherFolder, PagesFolder, BelowPagesFolder, PagesFolderOtherCase };
struct WarningCase {
  TBackupPlace place;
  bool warned;
};

class BackupWarningTest : public MainFormTest, public ::testing::WithParamInterface<WarningCase> {};

TEST_P(BackupWarningTest, TheLastStepWarnsOfABackupInThePagesFolder) {
  Open();
  ChoosePage(files_.Page("index.html"));
  std::string upper = files_.Page("index_original.html");
  CharUpperA(upper.data());
  const std::string chosen[] = {"", files_.root / "index_original.html", files_.Page("index_original.html"),
                                files_.Page("old\\index_original.html"), upper};
  const std::string& backup = chosen[static_cast<int>(GetParam().place)];
  if (!backup.empty()) {
    answers_.push_back({backup});
    Click(DestBtn);
  }
  GoToPage(4);
  EXPECT_EQ(Caption(BackupWarningLabel),
            GetParam().warned ? "Backup in the page's folder: do not publish it." : "");
}

INSTANTIATE_TEST_SUITE_P(Places, BackupWarningTest,
                         ::testing::Values(WarningCase{TBackupPlace::Suggested, false},
                                           WarningCase{TBackupPlace::OtherFolder, false},
                                           WarningCase{TBackupPlace::PagesFolder, true},
                                           WarningCase{TBackupPlace::BelowPagesFolder, true},
                                           WarningCase{TBackupPlace::PagesFolderOtherCase, true}));

TEST_F(MainFormTest, ThePublishedPasswordIsRefusedOnlyForAStrongTemplate) {
  files_.AddTemplateFile("Light", "index.html",
                         std::string(kStrongProtectionMeta) + "\r\n" + testing_support::TemplateStartPage());
  files_.AddTemplateFile("Source Hide", "index.html", testing_support::TemplateStartPage());
  WriteFile(files_.Page("index.html"), "<p>mine</p>");
  Open();
  ChoosePage(files_.Page("index.html"));
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.Transcript(),
            "Error|\"pagekey\" is the published default: type a password of your own\n");
  EXPECT_EQ(form_->CurrentPage, 2);
  EXPECT_EQ(ReadFile(files_.Page("index.html")), "<p>mine</p>");
  EXPECT_FALSE(testing_support::Exists(backups_ + "index_original.html"));

  // Source Hide takes it: that is what it is for.
  Click(RadioButtonSrc);
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.shown().size(), 1u) << messages_.Transcript();
  EXPECT_TRUE(Enabled(ShowBtn));
  EXPECT_EQ(ReadFile(backups_ + "index_original.html"), "<p>mine</p>");
}

TEST_F(MainFormTest, StepThreeSaysWhatTheSelectedTemplateProtects) {
  files_.AddTemplateFile("Light", "index.html",
                         std::string(kStrongProtectionMeta) + "\r\n" + testing_support::TemplateStartPage());
  files_.AddTemplateFile("Classic", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("Broken", "index.html", "no markers");
  Open();
  GoToPage(3);
  EXPECT_EQ(SelectedTemplate(), "Light");
  EXPECT_EQ(Caption(ProtectionLabel), "Strong: AES-256, opens only with the password");
  const struct {
    const char* name;
    const char* says;
  } cases[] = {
      {"Classic", "Hides the source from a casual look; anyone can open it without the password"},
      {"Broken", ""},
      {"Light", "Strong: AES-256, opens only with the password"},
  };
  for (const auto& c : cases) {
    // As the list tells its window of a choice made with the mouse.
    const LRESULT index = SendMessageA(Window(TemplatesComboBox), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(c.name));
    SendMessageA(Window(TemplatesComboBox), CB_SETCURSEL, index, 0);
    SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(TemplatesComboBox, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Window(TemplatesComboBox)));
    EXPECT_EQ(Caption(ProtectionLabel), c.says) << c.name;
  }
}

TEST_F(MainFormTest, AStrongPageTakesThePasswordAsTypedBeyondTheAnsiCodePage) {
  files_.AddTemplateFile("Light", "index.html",
                         std::string(kStrongProtectionMeta) + "\r\n" + testing_support::TemplateStartPage());
  WriteFile(files_.Page("index.html"), "<p>wide</p>");
  Open();
  ChoosePage(files_.Page("index.html"));
  GoToPage(2);
  // Cyrillic, Chinese and a character beyond the basic plane: no ANSI code
  // page holds them all.
  SetWindowTextW(Window(PassEdit), L"\x043A\x043B\x044E\x0447 \x5BC6\x7801 \xD83D\xDD11");
  GoToPage(4);
  Click(CrBtn);
  ASSERT_TRUE(Enabled(ShowBtn)) << messages_.Transcript();
  // The same characters, encoded as UTF-8 by hand.
  const std::string utf8 = "\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87 \xE5\xAF\x86\xE7\xA0\x81 \xF0\x9F\x94\x91";
  const TUnlockResult opened =
      UnlockPage(files_.Page("index.html"), files_.root / "opened.html", TPassword(Caption(PassEdit), utf8));
  ASSERT_EQ(opened.status, TStatus::Done)
      << messages::Format(opened.problem.message.text, opened.problem.message.arguments);
  EXPECT_EQ(ReadFile(files_.root / "opened.html"), "<p>wide</p>");
  // The ANSI bytes alone lost the characters: they open nothing.
  EXPECT_NE(UnlockPage(files_.Page("index.html"), files_.root / "lost.html", Caption(PassEdit)).status,
            TStatus::Done);
}

TEST_F(MainFormTest, AnXorPageKeepsThePasswordsAnsiBytes) {
  files_.AddTemplateFile("Classic", "index.html", testing_support::TemplateStartPage());
  WriteFile(files_.Page("index.html"), "<p>ansi</p>");
  Open();
  ChoosePage(files_.Page("index.html"));
  GoToPage(2);
  SetWindowTextW(Window(PassEdit), L"caf\x00E9");
  GoToPage(4);
  Click(CrBtn);
  ASSERT_TRUE(Enabled(ShowBtn)) << messages_.Transcript();
  // The block is made of the bytes the window gives in the ANSI code page,
  // not of the UTF-8 form.
  EXPECT_NE(UnlockPage(files_.Page("index.html"), files_.root / "utf8.html", "caf\xC3\xA9").status,
            TStatus::Done);
  const TUnlockResult opened =
      UnlockPage(files_.Page("index.html"), files_.root / "ansi.html", Caption(PassEdit));
  ASSERT_EQ(opened.status, TStatus::Done)
      << messages::Format(opened.problem.message.text, opened.problem.message.arguments);
  EXPECT_EQ(ReadFile(files_.root / "ansi.html"), "<p>ansi</p>");
}

TEST_F(MainFormTest, SourceHideSelectsTheTemplateWhateverItsCase) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("source HIDE", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("Other", "index.html", testing_support::TemplateStartPage());
  Open();
  GoToPage(2);
  Click(RadioButtonSrc);
  EXPECT_TRUE(Checked(RadioButtonSrc));
  EXPECT_FALSE(Checked(RadioButtonPwd));
  EXPECT_FALSE(Enabled(Label8));
  EXPECT_FALSE(Enabled(PassEdit));
  EXPECT_FALSE(Enabled(Label11));
  EXPECT_FALSE(Enabled(TemplatesComboBox));
  EXPECT_TRUE(Enabled(TempPreviewBtn));
  EXPECT_EQ(SelectedTemplate(), "source HIDE");
  EXPECT_EQ(Caption(PassEdit), "pagekey");

  // Preview still works and previews that template.
  GoToPage(3);
  Click(TempPreviewBtn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], files_.TemplatesDir() + "source HIDE\\index.html");

  // Back to password protection: all enabled again, "source HIDE" still
  // selected.
  Click(PrevBtn);
  Click(RadioButtonPwd);
  EXPECT_TRUE(Checked(RadioButtonPwd));
  EXPECT_FALSE(Checked(RadioButtonSrc));
  EXPECT_TRUE(Enabled(Label8));
  EXPECT_TRUE(Enabled(PassEdit));
  EXPECT_TRUE(Enabled(Label11));
  EXPECT_TRUE(Enabled(TemplatesComboBox));
  EXPECT_EQ(SelectedTemplate(), "source HIDE");
  EXPECT_EQ(Caption(PassEdit), "pagekey");

  // A click on the radio button already selected runs nothing.
  Click(RadioButtonSrc);
  const LRESULT plain = SendMessageA(Window(TemplatesComboBox), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>("Plain"));
  SendMessageA(Window(TemplatesComboBox), CB_SETCURSEL, plain, 0);
  Click(RadioButtonSrc);
  EXPECT_EQ(SelectedTemplate(), "Plain");
  EXPECT_FALSE(Enabled(PassEdit));
}

TEST_F(MainFormTest, ArrowKeysSwitchTheProtectionMode) {
  files_.AddTemplateFile("Source Hide", "index.html", testing_support::TemplateStartPage());
  Open();
  GoToPage(2);
  SetFocus(Window(RadioButtonPwd));
  PressKey(Window(RadioButtonPwd), VK_DOWN);
  EXPECT_TRUE(Checked(RadioButtonSrc));
  EXPECT_FALSE(Enabled(PassEdit));
  EXPECT_EQ(SelectedTemplate(), "Source Hide");
  PressKey(Window(RadioButtonSrc), VK_UP);
  EXPECT_TRUE(Checked(RadioButtonPwd));
  EXPECT_TRUE(Enabled(PassEdit));
}

TEST_F(MainFormTest, PasswordProtectionPreselectsLight) {
  for (const char* name : {"Classic", "Light", "Source Hide"}) {
    files_.AddTemplateFile(name, "index.html", testing_support::TemplateStartPage());
  }
  Open();
  EXPECT_EQ(SelectedTemplate(), "Light");
  GoToPage(2);
  Click(RadioButtonSrc);
  EXPECT_EQ(SelectedTemplate(), "Source Hide");
  Click(RadioButtonPwd);
  EXPECT_EQ(SelectedTemplate(), "Light");
}

TEST_F(MainFormTest, SourceHideWithoutSuchATemplateLeavesNoSelection) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("Fancy", "index.html", testing_support::TemplateStartPage());
  Open();
  GoToPage(2);
  Click(RadioButtonSrc);
  EXPECT_EQ(SelectedTemplate(), "<none>");
  GoToPage(3);
  Click(TempPreviewBtn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], files_.TemplatesDir() + "\\index.html");
  Click(PrevBtn);
  Click(RadioButtonPwd);
  EXPECT_EQ(SelectedTemplate(), "<none>");
  EXPECT_TRUE(Enabled(TemplatesComboBox));
}

TEST_F(MainFormTest, TheCatalogueComesFromTheTemplatesFolder) {
  files_.AddTemplateFile("Zeta", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("Alpha", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("Secret", "index.html", testing_support::TemplateStartPage());
  testing_support::MakeHidden(files_.TemplatesDir() + "Secret");
  WriteFile(files_.TemplatesDir() + "readme.txt", "not a template");
  Open();
  const std::vector<std::string> listed = TemplateList();
  EXPECT_EQ(listed, files_.Library().Names());
  std::vector<std::string> sorted = listed;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"Alpha", "Zeta"}));
  EXPECT_EQ(SelectedTemplate(), listed[0]);
}

TEST_F(MainFormTest, AMissingTemplatesFolderGivesAnEmptyListQuietly) {
  start_up_.templates = TTemplateLibrary(files_.root / "Nowhere/");
  Open();
  EXPECT_TRUE(TemplateList().empty());
  EXPECT_EQ(SelectedTemplate(), "<none>");
  EXPECT_TRUE(messages_.shown().empty());
}

TEST_F(MainFormTest, CreateLocksThePageAndShowOpensIt) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  files_.AddTemplateFile("Plain", "decoder.js", "function decode() {}\r\n");
  const std::string page = files_.Page("index.html");
  WriteFile(page, "<html><body>Hello</body></html>");
  Open();
  ChoosePage(page);
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.Transcript(), "");
  EXPECT_TRUE(Enabled(ShowBtn));
  // The lock fed the progress bar all the way.
  EXPECT_EQ(SendMessageA(Window(LockProgressBar), PBM_GETPOS, 0, 0),
            SendMessageA(Window(LockProgressBar), PBM_GETRANGE, FALSE, 0));
  EXPECT_EQ(form_->CurrentPage, 4);
  EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
  // The backups folder was made for the backup; nothing of it is beside
  // the page.
  EXPECT_EQ(ReadFile(backups_ + "index_original.html"), "<html><body>Hello</body></html>");
  EXPECT_FALSE(testing_support::Exists(files_.Page("index_original.html")));
  const std::string locked = ReadFile(page);
  EXPECT_NE(locked.find("//Page Begin\r\n'"), std::string::npos);
  EXPECT_NE(locked.find("//Page End"), std::string::npos);
  EXPECT_EQ(locked.find("Hello"), std::string::npos);
  EXPECT_EQ(ReadFile(files_.Page("decoder.js")), "function decode() {}\r\n");

  Click(ShowBtn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], page);

  // Show keeps working from the open dialog's current name.
  answers_.push_back({files_.Page("other.txt")});
  GoToPage(1);
  Click(SourceBtn);
  GoToPage(4);
  EXPECT_TRUE(Enabled(ShowBtn));
  Click(ShowBtn);
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_EQ(opened_[1], files_.Page("other.txt.html"));
}

TEST_F(MainFormTest, TheWindowIsDisabledWhileTheLockRuns) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  WriteFile(files_.Page("index.html"), "<p>page</p>");
  WriteFile(backups_ + "index_original.html", "an older backup");
  Open();
  ChoosePage(files_.Page("index.html"));
  GoToPage(4);
  // What the window looks like while the lock asks about the backup.
  struct TWhileAsked {
    bool enabled;
    bool wait_cursor;
    bool bar_visible;
    platform::MessageAnswer default_answer;
  };
  std::vector<TWhileAsked> while_asked;
  platform::ScopedMessageHandler asked([&](const platform::MessageRequest& request) {
    while_asked.push_back({IsWindowEnabled(form_->Handle()) != FALSE,
                           GetCursor() == LoadCursor(nullptr, IDC_WAIT), Visible(LockProgressBar),
                           request.default_answer});
    return platform::MessageAnswer::Yes;
  });
  EXPECT_FALSE(Visible(LockProgressBar));
  Click(CrBtn);
  ASSERT_EQ(while_asked.size(), 1u);
  EXPECT_FALSE(while_asked[0].enabled);
  EXPECT_TRUE(while_asked[0].wait_cursor);
  EXPECT_TRUE(while_asked[0].bar_visible);
  EXPECT_EQ(while_asked[0].default_answer, platform::MessageAnswer::No);
  EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
  EXPECT_NE(GetCursor(), LoadCursor(nullptr, IDC_WAIT));
  EXPECT_FALSE(Visible(LockProgressBar));
  EXPECT_TRUE(Enabled(ShowBtn));
  EXPECT_EQ(Caption(LockedLabel), "The page is locked. Backup: index_original.html");
  EXPECT_EQ(ReadFile(backups_ + "index_original.html"), "<p>page</p>");
}

TEST_F(MainFormTest, TheLockProgressMovesTheBarAndKeepsTheWindowPainted) {
  Open();
  GoToPage(4);
  TRunObserver& observer = form_->LockObserver();
  const int max = static_cast<int>(SendMessageA(Window(LockProgressBar), PBM_GETRANGE, FALSE, 0));
  ASSERT_GT(max, 0);
  int last = -1;
  for (const std::uint64_t done :
       {std::uint64_t{1} << 20, std::uint64_t{5} << 20, std::uint64_t{9} << 20, std::uint64_t{16} << 20}) {
    InvalidateRect(Window(LabelText4), nullptr, TRUE);
    observer.Progress({done, std::uint64_t{16} << 20, 0, 0});
    const int position = static_cast<int>(SendMessageA(Window(LockProgressBar), PBM_GETPOS, 0, 0));
    EXPECT_GT(position, last) << done;
    last = position;
    // Painted without a message loop.
    EXPECT_FALSE(GetUpdateRect(Window(LabelText4), nullptr, FALSE)) << done;
  }
  EXPECT_EQ(last, max);
}

TEST_F(MainFormTest, AFailedLockSaysSoAndKeepsShowAsItWas) {
  files_.AddTemplateFile("Broken", "index.html", "<html>no markers here</html>");
  WriteFile(files_.Page("index.html"), "<p>page</p>");
  Open();
  ChoosePage(files_.Page("index.html"));
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(messages_.Transcript(), "Error|Wrong Template.\nError|Locked page was not created\n");
  EXPECT_FALSE(Enabled(ShowBtn));
  EXPECT_EQ(Caption(LockedLabel), "");
  EXPECT_EQ(form_->CurrentPage, 4);
  EXPECT_TRUE(IsWindowEnabled(form_->Handle()));
}

TEST_F(MainFormTest, ShowOpensTheHtmlBesideALockedTextPage) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  WriteFile(files_.Page("a.txt"), "plain words");
  Open();
  ChoosePage(files_.Page("a.txt"));
  EXPECT_EQ(Caption(DestLabel), "a_original.txt");
  GoToPage(4);
  Click(CrBtn);
  ASSERT_TRUE(Enabled(ShowBtn)) << messages_.Transcript();
  Click(ShowBtn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], files_.Page("a.txt.html"));
  EXPECT_TRUE(testing_support::Exists(files_.Page("a.txt.html")));
}

TEST_F(MainFormTest, ShowOpensAnUpperCaseTextPageItself) {
  files_.AddTemplateFile("Plain", "index.html", testing_support::TemplateStartPage());
  WriteFile(files_.Page("A.TXT"), "PLAIN WORDS");
  Open();
  ChoosePage(files_.Page("A.TXT"));
  GoToPage(4);
  Click(CrBtn);
  ASSERT_TRUE(Enabled(ShowBtn)) << messages_.Transcript();
  Click(ShowBtn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], files_.Page("A.TXT"));
}

TEST_F(MainFormTest, HelpOpensTheManualAndExitClosesTheWindow) {
  Open();
  Click(HelpBtn);
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], files_.root.path() + "Manual\\index.html");
  HWND window = form_->Handle();
  Click(ExitBtn);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(form_->Handle(), nullptr);
}

TEST_F(MainFormTest, AnExceptionInAHandlerReachesTheApplicationWithItsSender) {
  std::vector<std::string> reported;
  Application.OnException = [&](const std::string& sender, const std::exception& error) {
    reported.push_back(sender + ": " + error.what());
  };
  platform::ScopedShellHandler failing(
      [](const std::string&, const std::string&) -> int { throw std::runtime_error("shell broke"); },
      [](const std::string&) { return 42; });
  Open();
  Click(HelpBtn);
  GoToPage(3);
  Click(TempPreviewBtn);
  Application.OnException = nullptr;
  EXPECT_EQ(reported, (std::vector<std::string>{"TBitBtn: shell broke", "TButton: shell broke"}));
  // The window lives on.
  Click(PrevBtn);
  EXPECT_EQ(form_->CurrentPage, 2);
}

TEST_F(MainFormTest, AtNinetySixPixelsPerInchTheLayoutIsAsDesigned) {
  Open();
  if (form_->PixelsPerInch() != 96)
    GTEST_SKIP() << "the screen has " << form_->PixelsPerInch() << " pixels per inch";
  RECT client;
  GetClientRect(form_->Handle(), &client);
  EXPECT_EQ(client.right, 485);
  EXPECT_EQ(client.bottom, 291);
  const RECT next = ClientRectOf(NextBtn);
  EXPECT_EQ(next.left, 324);
  EXPECT_EQ(next.top, 260);
  EXPECT_EQ(next.right - next.left, 75);
  EXPECT_EQ(next.bottom - next.top, 25);
  const RECT panel = ClientRectOf(Panel0);
  EXPECT_EQ(panel.right - panel.left, 485);
  EXPECT_EQ(panel.bottom - panel.top, 249);
  const RECT image = ClientRectOf(Image0);
  EXPECT_EQ(image.left, 8);
  EXPECT_EQ(image.top, 8);
  EXPECT_EQ(image.right - image.left, 153);
  EXPECT_EQ(image.bottom - image.top, 237);
  const RECT text = ClientRectOf(LabelText4);
  EXPECT_EQ(text.left, 176);
  EXPECT_EQ(text.top, 40);
  EXPECT_EQ(text.right - text.left, 269);
  EXPECT_EQ(text.bottom - text.top, 97);

  // Text lines of the base font are 13 pixels high.
  EXPECT_EQ(LineHeight(reinterpret_cast<HFONT>(SendMessageA(Window(LabelText0), WM_GETFONT, 0, 0))), 13);

  // Centred on the screen.
  RECT frame;
  GetWindowRect(form_->Handle(), &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  const LONG style = GetWindowLongA(form_->Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
}

}  // namespace
