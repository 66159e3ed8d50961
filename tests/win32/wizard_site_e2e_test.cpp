// A whole site locked from the wizard window, as a person does it: the
// window's real controls under wine, clicked (BM_CLICK) and typed into
// (WM_CHAR); the real templates, the bundled sample site and the real
// engine on real files. Only the message boxes, the file and folder dialogs
// and the shell are answered by the test. What the window locked is opened
// by the built zendrel-cli.exe, as a reader's copy of "zendrel unlock" would.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/common/start_up.h"
#include "app/window/win32/main_form.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "resources/terminal_messages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/message_pump.h"
#include "tests/support/win32/wine_paths.h"

using namespace main_form_ids;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::WinePath;
using testing_support::WriteFile;
namespace fs = std::filesystem;

namespace {

// As in main_form_test: no window manager answers under a virtual display,
// so this program's windows are left to wine.
class UnmanagedWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Wine\\AppDefaults\\wizard_site_e2e_test.exe\\X11 Driver", 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(key);
    }
  }
};
const auto* const kUnmanagedWindows = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

// Every file of a folder tree by its relative path, with its bytes.
std::map<std::string, std::string> Tree(const std::string& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string relative = fs::relative(entry.path(), folder).generic_string();
    files[relative] = entry.is_directory() ? "<folder>" : ReadFile(entry.path().string());
  }
  return files;
}

class WizardSiteTest : public ::testing::Test {
 protected:
  WizardSiteTest()
      : boxes_([this](const platform::MessageRequest& request) {
          transcript_ += request.caption + "|" + request.text + "\n";
          shown_.push_back(request);
          if (request.buttons == platform::MessageButtons::Ok) return platform::MessageAnswer::Ok;
          if (box_answers_.empty()) return request.default_answer;
          const platform::MessageAnswer answer = box_answers_.front();
          box_answers_.pop_front();
          return answer;
        }),
        dialogs_([this](platform::FileDialogRequest& request) {
          if (dialog_answers_.empty()) throw std::logic_error("a dialog opened that the test did not expect");
          const std::string answer = dialog_answers_.front();
          dialog_answers_.pop_front();
          folder_dialogs_.push_back(request.folder);
          if (answer.empty()) return false;
          request.file_name = answer;
          return true;
        }),
        shell_(
            [this](const std::string& target, const std::string&) {
              opened_.push_back(target);
              return 42;
            },
            [](const std::string&) { return 42; }) {}

  void SetUp() override {
    fs::copy(WinePath(ZENDREL_TEMPLATES_DIR), install_ / "Templates", fs::copy_options::recursive);
    fs::copy(WinePath(ZENDREL_SAMPLE_SITE), source_, fs::copy_options::recursive);
  }
  void TearDown() override {
    form_.reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, settings_key_.c_str());
  }

  void Open() {
    form_ = std::make_unique<TMainForm>(StartUpIn(install_.path()));
    form_->SettingsKey = settings_key_;
    form_->BackupsFolder = work_ / "backups\\";
    form_->Show();
    SetForegroundWindow(form_->Handle());
    ProcessMessages();
  }

  HWND Window(int id) const { return form_->Control(id); }
  void Click(int id) {
    SendMessageA(Window(id), BM_CLICK, 0, 0);
    ProcessMessages();
  }
  std::string Caption(int id) const {
    char text[2048] = {};
    GetWindowTextA(Window(id), text, sizeof text);
    return text;
  }
  bool Enabled(int id) const { return IsWindowEnabled(Window(id)) != FALSE; }
  bool Visible(int id) const { return IsWindowVisible(Window(id)) != FALSE; }
  void GoToPage(int page) {
    while (form_->CurrentPage < page) Click(NextBtn);
    while (form_->CurrentPage > page) Click(PrevBtn);
    ASSERT_EQ(form_->CurrentPage, page);
  }
  // Types into an edit as the keyboard does, after emptying it.
  void Type(int id, const std::string& text) {
    SetFocus(Window(id));
    SendMessageA(Window(id), EM_SETSEL, 0, -1);
    SendMessageA(Window(id), WM_CLEAR, 0, 0);
    for (const char c : text) PostMessageA(Window(id), WM_CHAR, static_cast<unsigned char>(c), 1);
    ProcessMessages();
  }
  // Step One: the folder through "Folder (a whole site)...".
  void ChooseSite(const std::string& folder) {
    GoToPage(1);
    dialog_answers_.push_back(folder);
    Click(SiteBtn);
    ASSERT_FALSE(folder_dialogs_.empty());
    EXPECT_TRUE(folder_dialogs_.back()) << "a site is chosen in the folder browser";
  }
  void TypePasswords(const std::string& password, const std::string& again) {
    GoToPage(2);
    Type(SitePassEdit, password);
    Type(SiteAgainEdit, again);
  }
  // Create on the Last Step, then the window answers while the site is
  // locked until the run ends.
  void CreateAndWait() {
    GoToPage(4);
    Click(CrBtn);
    WaitForTheRun();
  }
  void WaitForTheRun() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (form_->SiteLockRunning() && std::chrono::steady_clock::now() < limit) {
      ProcessMessages();
      Sleep(5);
    }
    ASSERT_FALSE(form_->SiteLockRunning()) << "the site lock did not end";
  }
  // zendrel-cli.exe unlock with this password (or, with `keyring`, the
  // keyring's owner password); the program's exit code.
  int Unlock(const std::string& page, const std::string& out, const std::string& password) {
    SetEnvironmentVariableA("ZENDREL_TEST_PASSWORD", password.c_str());
    return testing_support::RunWithFiles(WinePath(ZENDREL_CLI_EXE),
                                         {"unlock", "--password-env", "ZENDREL_TEST_PASSWORD", page, out}, "",
                                         {"", work_ / "unlock.out", work_ / "unlock.err"});
  }
  std::string Output() const { return work_ / "site (locked)"; }
  int unlocked_ = 0;

  testing_support::TempDir install_;
  testing_support::TempDir work_;
  const std::string source_ = work_ / "site";
  const std::string settings_key_ = "Software\\Quelto\\Zendrel\\Test " +
                                    std::to_string(GetCurrentProcessId()) + " " +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::string transcript_;
  std::vector<platform::MessageRequest> shown_;
  std::deque<platform::MessageAnswer> box_answers_;
  platform::ScopedMessageHandler boxes_;
  std::deque<std::string> dialog_answers_;
  // For each dialog opened, whether it asked for a folder.
  std::vector<bool> folder_dialogs_;
  platform::ScopedFileDialogHandler dialogs_;
  std::vector<std::string> opened_;
  platform::ScopedShellHandler shell_;
  std::unique_ptr<TMainForm> form_;
};

TEST_F(WizardSiteTest, TheSampleSiteLockedWithATypedPasswordOpensByteExact) {
  const auto before = Tree(source_);
  Open();
  ChooseSite(source_);
  EXPECT_TRUE(form_->LocksSite);
  EXPECT_EQ(Caption(Label3), "Site folder to lock:");
  EXPECT_EQ(Caption(SourceLabel), "site");
  EXPECT_EQ(Caption(DestLabel), "site (locked)");
  EXPECT_EQ(form_->OutputDialog.FileName, Output());
  TypePasswords("a password of my own", "a password of my own");
  EXPECT_FALSE(IsWindowVisible(Window(PassEdit)));
  // A site is locked with a strong template only.
  GoToPage(3);
  EXPECT_TRUE(Visible(SiteTemplatesComboBox));
  EXPECT_FALSE(Visible(TemplatesComboBox));
  const LRESULT count = SendMessageA(Window(SiteTemplatesComboBox), CB_GETCOUNT, 0, 0);
  ASSERT_GT(count, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char name[256] = {};
    SendMessageA(Window(SiteTemplatesComboBox), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    EXPECT_TRUE(std::string(name) == "Light" || std::string(name) == "Dark") << name;
  }
  EXPECT_EQ(Caption(ProtectionLabel), messages::kStrongProtectionNote);
  // Where it will be published: the share link's address.
  Type(ShareUrlEdit, "https://example.org/recipes");

  CreateAndWait();
  EXPECT_EQ(transcript_, "");
  EXPECT_EQ(Caption(LockedLabel).rfind("5 pages locked, ", 0), 0u) << Caption(LockedLabel);
  EXPECT_NE(Caption(LockedLabel).find(": site (locked)"), std::string::npos) << Caption(LockedLabel);
  EXPECT_EQ(Caption(BackupWarningLabel), messages::kNoCopyHoldsText);
  EXPECT_TRUE(Visible(DetailsBtn));
  ASSERT_TRUE(Enabled(ShowBtn));
  Click(ShowBtn);
  EXPECT_EQ(opened_, std::vector<std::string>{Output() + "\\index.html"});

  for (const std::string page : {"index.html", "about.html", "recipes/focaccia.html"}) {
    SCOPED_TRACE(page);
    const std::string unlocked = work_ / ("unlocked-" + std::to_string(unlocked_++) + ".html");
    std::string locked = Output() + "\\" + page;
    for (char& c : locked)
      if (c == '/') c = '\\';
    EXPECT_NE(ReadFile(locked), ReadFile(source_ + "\\" + page));
    ASSERT_EQ(Unlock(locked, unlocked, "a password of my own"), 0) << ReadFile(work_ / "unlock.err");
    EXPECT_EQ(ReadFile(unlocked), before.at(page));
  }
  // The source is the backup: not a byte of it changed.
  EXPECT_EQ(Tree(source_), before);

  Click(DetailsBtn);
  EXPECT_EQ(transcript_, std::string("Details|") + messages::kSiteNothingLeftOut + "\n");
  // The share link opens the start page without the password; Copy puts
  // it on the clipboard.
  ASSERT_TRUE(Visible(ShareLinkEdit));
  const std::string link = Caption(ShareLinkEdit);
  EXPECT_EQ(link.rfind("https://example.org/recipes/index.html#zendrel-key=", 0), 0u) << link;
  Click(CopyLinkBtn);
  ASSERT_TRUE(OpenClipboard(form_->Handle()));
  std::string copied;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    copied = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(copied, link);
  const std::string by_link = work_ / "by-link.html";
  SetEnvironmentVariableA("ZENDREL_TEST_PASSWORD", link.c_str());
  ASSERT_EQ(testing_support::RunWithFiles(WinePath(ZENDREL_CLI_EXE),
                                          {"unlock", "--link", "--password-env", "ZENDREL_TEST_PASSWORD",
                                           Output() + "\\index.html", by_link},
                                          "", {"", work_ / "unlock.out", work_ / "unlock.err"}),
            0)
      << ReadFile(work_ / "unlock.err");
  EXPECT_EQ(ReadFile(by_link), before.at("index.html"));
}

// A copy that holds a page's text is named under the summary, and Details
// lists it with what was left out, in the terminal's words.
TEST_F(WizardSiteTest, DetailsListsTheLeaksAndWhatWasLeftOut) {
  const std::string story =
      "the baker folds the dough four times before dawn and leaves it to rest under linen while the oven "
      "slowly wakes in the dark kitchen";
  WriteFile(source_ + "\\story.html", "<p>" + story + "</p>");
  WriteFile(source_ + "\\js\\story.js", "var story = '" + story + "';");
  WriteFile(source_ + "\\notes.txt", "draft");
  Open();
  ChooseSite(source_);
  TypePasswords("a password of my own", "a password of my own");
  CreateAndWait();
  ASSERT_EQ(transcript_, "");
  EXPECT_EQ(Caption(BackupWarningLabel), messages::Format(messages::kCopiesHoldText, {"1"}));
  Click(DetailsBtn);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].caption, "Details");
  EXPECT_EQ(shown_[0].icon, platform::MessageIcon::Information);
  const std::string leak = "Warning: " + Output() + "\\js\\story.js holds ";
  EXPECT_EQ(shown_[0].text.rfind(leak, 0), 0u) << shown_[0].text;
  EXPECT_NE(shown_[0].text.find("\nleave out notes.txt (source or data)"), std::string::npos)
      << shown_[0].text;
}

// Step Two refuses what the terminal refuses, on Step Two, and Step Three
// an address that makes no share link; nothing is written. A short password
// is warned about, and locked.
TEST_F(WizardSiteTest, StepTwoRefusesWhatCannotGuardASite) {
  struct Case {
    const char* password;
    const char* again;
    std::string transcript;
  };
  const Case cases[] = {
      {"", "", std::string("Error|") + messages::kPasswordNotEntered + "\n"},
      {"a password of my own", "a password of my one",
       std::string("Error|") + messages::kPasswordsDiffer + "\n"},
      {"pagekey", "pagekey", std::string("Error|") + messages::kPublishedDefaultPassword + "\n"},
  };
  Open();
  ChooseSite(source_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    transcript_.clear();
    TypePasswords(c.password, c.again);
    GoToPage(4);
    Click(CrBtn);
    EXPECT_FALSE(form_->SiteLockRunning());
    EXPECT_EQ(transcript_, c.transcript);
    EXPECT_EQ(form_->CurrentPage, 2);
    EXPECT_FALSE(Exists(Output()));
  }
  // Step Three: an address the share link cannot be made of.
  transcript_.clear();
  TypePasswords("a password of my own", "a password of my own");
  GoToPage(3);
  Type(ShareUrlEdit, "example.org/recipes");
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(transcript_, std::string("Error|") + messages::kShareAddressInvalid + "\n");
  EXPECT_EQ(form_->CurrentPage, 3);
  EXPECT_FALSE(Exists(Output()));
  Type(ShareUrlEdit, "");

  transcript_.clear();
  TypePasswords("short1", "short1");
  CreateAndWait();
  std::string warning = messages::kShortStrongPassword;
  warning.pop_back();
  EXPECT_EQ(transcript_, "Warning|" + warning + "\n");
  EXPECT_TRUE(Exists(Output() + "\\index.html"));
}

// Cancel midway, or Exit: the old output is as it was, and no temporary
// folder is left beside it.
TEST_F(WizardSiteTest, CancelOrExitMidwayLeavesTheOutputAsItWas) {
  // Enough pages that the run is still going when the bar first moves.
  const std::string body(24 * 1024, 'x');
  for (int i = 0; i < 600; ++i)
    WriteFile(source_ + "\\many\\page" + std::to_string(i) + ".html",
              "<p>" + std::to_string(i) + body + "</p>");
  WriteFile(Output() + "\\earlier.html", "an earlier site");
  const auto beside = testing_support::ListNames(work_.path());
  for (const int stop : {CancelBtn, ExitBtn}) {
    SCOPED_TRACE(stop == CancelBtn ? "Cancel" : "Exit");
    transcript_.clear();
    Open();
    ChooseSite(source_);
    TypePasswords("a password of my own", "a password of my own");
    GoToPage(4);
    box_answers_.push_back(platform::MessageAnswer::Yes);
    Click(CrBtn);
    EXPECT_EQ(transcript_, "Question|" + messages::Format(messages::kSiteOutputExists, {Output()}) + "\n");
    ASSERT_TRUE(form_->SiteLockRunning());
    EXPECT_TRUE(Visible(CancelBtn));
    EXPECT_FALSE(Visible(CrBtn));
    EXPECT_FALSE(Enabled(PrevBtn));
    // The window answers while the site is locked: the bar moves.
    HWND bar = Window(LockProgressBar);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (form_->SiteLockRunning() && SendMessageA(bar, PBM_GETPOS, 0, 0) == 0 &&
           std::chrono::steady_clock::now() < limit) {
      ProcessMessages();
      Sleep(1);
    }
    ASSERT_TRUE(form_->SiteLockRunning()) << "the run ended before it could be stopped";
    Click(stop);
    if (stop == ExitBtn) {
      // The window closes once the lock has stopped.
      EXPECT_FALSE(form_->SiteLockRunning());
      EXPECT_EQ(form_->Handle(), nullptr);
    } else {
      WaitForTheRun();
      EXPECT_EQ(form_->LastSiteResult().status, TStatus::Cancelled);
      EXPECT_EQ(Caption(LockedLabel), messages::Format(messages::kSiteCancelled, {"site (locked)"}));
      EXPECT_FALSE(Enabled(ShowBtn));
      EXPECT_TRUE(Visible(CrBtn));
      EXPECT_TRUE(Enabled(PrevBtn));
    }
    EXPECT_EQ(Tree(Output()), (std::map<std::string, std::string>{{"earlier.html", "an earlier site"}}));
    EXPECT_EQ(testing_support::ListNames(work_.path()), beside);
  }
}

// A failure shows the engine's message, then that nothing was created,
// and writes nothing.
TEST_F(WizardSiteTest, AFailureShowsItsBoxAndWritesNothing) {
  struct Case {
    const char* what;
    bool inside;
    bool unreadable;
  };
  for (const Case& c :
       {Case{"an output inside the source", true, false}, Case{"an unreadable page", false, true}}) {
    SCOPED_TRACE(c.what);
    transcript_.clear();
    const auto before = Tree(source_);
    const auto beside = testing_support::ListNames(work_.path());
    Open();
    ChooseSite(source_);
    const std::string output = c.inside ? source_ + "\\locked" : Output();
    if (c.inside) {
      GoToPage(1);
      dialog_answers_.push_back(output);
      Click(DestBtn);
      EXPECT_EQ(Caption(DestLabel), "locked");
    }
    // Held open with no sharing, the page cannot be read by the lock.
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.unreadable)
      held = CreateFileA((source_ + "\\about.html").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
    TypePasswords("a password of my own", "a password of my own");
    CreateAndWait();
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    ASSERT_EQ(shown_.empty(), false);
    EXPECT_EQ(shown_.front().caption, "Error");
    EXPECT_EQ(shown_.front().icon, platform::MessageIcon::Error);
    EXPECT_NE(transcript_.find(c.inside ? "locked" : "about.html"), std::string::npos) << transcript_;
    EXPECT_EQ(
        transcript_.substr(transcript_.size() - std::string("Error|Locked site was not created\n").size()),
        "Error|Locked site was not created\n");
    EXPECT_EQ(Tree(source_), before);
    EXPECT_EQ(testing_support::ListNames(work_.path()), beside);
    EXPECT_FALSE(Exists(output));
    EXPECT_FALSE(Enabled(ShowBtn));
    EXPECT_EQ(form_->CurrentPage, 4);
    shown_.clear();
  }
}

// A second Create over the output asks first; No (the default) keeps it.
TEST_F(WizardSiteTest, ASecondCreateAsksBeforeReplacingTheOutput) {
  Open();
  ChooseSite(source_);
  TypePasswords("a password of my own", "a password of my own");
  CreateAndWait();
  ASSERT_EQ(transcript_, "");
  const auto first = Tree(Output());
  const std::string question = "Question|" + messages::Format(messages::kSiteOutputExists, {Output()}) + "\n";

  Click(CrBtn);
  EXPECT_EQ(transcript_, question);
  EXPECT_EQ(shown_.back().default_answer, platform::MessageAnswer::No);
  EXPECT_FALSE(form_->SiteLockRunning());
  EXPECT_EQ(Tree(Output()), first);

  transcript_.clear();
  box_answers_.push_back(platform::MessageAnswer::Yes);
  Click(CrBtn);
  WaitForTheRun();
  EXPECT_EQ(transcript_, question);
  EXPECT_EQ(form_->LastSiteResult().status, TStatus::Done);
  // Locked again: the same files, the pages sealed anew.
  const auto second = Tree(Output());
  EXPECT_EQ(second.size(), first.size());
  EXPECT_NE(second.at("about.html"), first.at("about.html"));
}

// A keyring made in the terminal: the window locks with its owner password,
// and a reader opens the pages with their own.
TEST_F(WizardSiteTest, AKeyringSiteOpensWithAReadersPassword) {
  const std::string keyring = work_ / "site.keyring";
  SetEnvironmentVariableA("ZENDREL_TEST_OWNER", "the owner's password");
  SetEnvironmentVariableA("ZENDREL_TEST_READER", "ann's own password");
  ASSERT_EQ(testing_support::RunWithFiles(WinePath(ZENDREL_CLI_EXE),
                                          {"keys", "init", "--password-env", "ZENDREL_TEST_OWNER",
                                           "--new-password-env", "ZENDREL_TEST_READER", keyring, "Ann"},
                                          "", {"", work_ / "keys.out", work_ / "keys.err"}),
            0)
      << ReadFile(work_ / "keys.err");
  Open();
  ChooseSite(source_);
  GoToPage(2);
  Click(RadioButtonKeyring);
  EXPECT_FALSE(Enabled(SitePassEdit));
  EXPECT_TRUE(Enabled(OwnerPassEdit));
  dialog_answers_.push_back(keyring);
  Click(KeyringBtn);
  EXPECT_FALSE(folder_dialogs_.back()) << "the keyring is a file";
  EXPECT_EQ(Caption(KeyringLabel), "site.keyring");

  // A wrong owner password: the keyring's own message, Step Two, nothing written.
  Type(OwnerPassEdit, "not the owner's");
  GoToPage(4);
  Click(CrBtn);
  EXPECT_EQ(transcript_, "Error|" + messages::Format(messages::kKeyringWrongPassword, {keyring}) + "\n");
  EXPECT_EQ(form_->CurrentPage, 2);
  EXPECT_FALSE(Exists(Output()));

  transcript_.clear();
  Type(OwnerPassEdit, "the owner's password");
  CreateAndWait();
  EXPECT_EQ(transcript_, "");
  const std::string unlocked = work_ / "by-ann.html";
  ASSERT_EQ(Unlock(Output() + "\\recipes\\crackers.html", unlocked, "ann's own password"), 0)
      << ReadFile(work_ / "unlock.err");
  EXPECT_EQ(ReadFile(unlocked), ReadFile(source_ + "\\recipes\\crackers.html"));
}

// The folder and template of the last site are suggested the next time;
// a page chosen afterwards brings the page's own controls and texts back.
TEST_F(WizardSiteTest, TheLastOutputFolderAndTemplateAreSuggestedAgain) {
  const std::string elsewhere = work_ / "published";
  fs::create_directories(elsewhere);
  Open();
  ChooseSite(source_);
  GoToPage(1);
  dialog_answers_.push_back(elsewhere + "\\my site");
  Click(DestBtn);
  TypePasswords("a password of my own", "a password of my own");
  GoToPage(3);
  HWND list = Window(SiteTemplatesComboBox);
  const LRESULT dark =
      SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Dark"));
  ASSERT_NE(dark, CB_ERR);
  SendMessageA(list, CB_SETCURSEL, dark, 0);
  CreateAndWait();
  ASSERT_EQ(transcript_, "");
  EXPECT_TRUE(Exists(elsewhere + "\\my site\\index.html"));

  Open();
  ChooseSite(source_);
  EXPECT_EQ(form_->OutputDialog.FileName, elsewhere + "\\site (locked)");
  GoToPage(3);
  char selected[64] = {};
  SendMessageA(Window(SiteTemplatesComboBox), CB_GETLBTEXT,
               SendMessageA(Window(SiteTemplatesComboBox), CB_GETCURSEL, 0, 0),
               reinterpret_cast<LPARAM>(selected));
  EXPECT_STREQ(selected, "Dark");

  // Another folder through the button beside it; back to a page through
  // "One page instead...": the page's texts and controls, as they always were.
  GoToPage(1);
  dialog_answers_.push_back(elsewhere);
  Click(SourceBtn);
  EXPECT_TRUE(form_->LocksSite);
  EXPECT_EQ(Caption(SourceLabel), "published");
  // The remembered folder is this source itself: never inside it.
  EXPECT_EQ(form_->OutputDialog.FileName, work_ / "published (locked)");
  EXPECT_EQ(Caption(SiteBtn), "&One page instead...");
  dialog_answers_.push_back(source_ + "\\about.html");
  Click(SiteBtn);
  EXPECT_FALSE(form_->LocksSite);
  EXPECT_EQ(Caption(Label3), "Page to lock:");
  EXPECT_EQ(Caption(Label4), "Backup page (Keep it to restore):");
  EXPECT_EQ(Caption(SourceLabel), "about.html");
  EXPECT_EQ(Caption(SiteBtn), "&Folder (a whole site)...");
  EXPECT_EQ(Caption(LabelText1), messages::kPageText1);
  GoToPage(2);
  EXPECT_TRUE(Visible(PassEdit));
  EXPECT_FALSE(Visible(SitePassEdit));
  EXPECT_EQ(Caption(PassEdit), "pagekey");
}

// The folder button keeps the page's tab order as it is: its access key
// reaches it.
TEST_F(WizardSiteTest, AltFChoosesAFolder) {
  Open();
  GoToPage(1);
  dialog_answers_.push_back(source_);
  PostMessageA(Window(NextBtn), WM_SYSCHAR, 'f', 1 << 29);
  ProcessMessages();
  EXPECT_TRUE(form_->LocksSite);
  EXPECT_EQ(Caption(SourceLabel), "site");
}

}  // namespace
