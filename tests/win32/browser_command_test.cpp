// The browser command from the real registry of the private wine prefix:
// each test sets the HTML open command, and puts the old one back.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/window/document_launching.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"
#include "tests/support/win32/html_open_command_guard.h"

namespace {

using testing_support::HtmlOpenCommandGuard;

// Every command line OpenDocument tries, with the shell failing.
std::vector<std::string> CommandsTried(const std::string& path) {
  std::vector<std::string> commands;
  platform::ScopedShellHandler scope([](const std::string&, const std::string&) { return 31; },
                                     [&](const std::string& command) {
                                       commands.push_back(command);
                                       return 2;
                                     });
  OpenDocument(path);
  return commands;
}

TEST(GetBrowserCommand, ReadsTheHtmlOpenCommandAsItStands) {
  HtmlOpenCommandGuard guard;
  ASSERT_TRUE(guard.SetString("\"C:\\Browser\\b.exe\" -url \"%1\""));
  EXPECT_EQ(GetBrowserCommand(), "\"C:\\Browser\\b.exe\" -url \"%1\"");
}

// Open commands as browsers register them: the page takes the place of the
// document placeholder, so no browser is started on the text "%1".
TEST(OpenDocument, TheRegisteredCommandGetsThePageInItsPlaceholder) {
  const struct {
    const char* registered;
    DWORD type;
    const char* run;
  } cases[] = {
      {"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" %1", REG_SZ,
       "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" \"C:\\my pages\\a.html\""},
      {"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"", REG_SZ,
       "\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"C:\\my pages\\a.html\""},
      {"\"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe\" --single-argument %1", REG_SZ,
       "\"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe\" --single-argument "
       "\"C:\\my pages\\a.html\""},
      {"%ProgramFiles%\\b.exe \"%L\"", REG_EXPAND_SZ, "%ProgramFiles%\\b.exe \"C:\\my pages\\a.html\""},
      {"C:\\windows\\system32\\winebrowser.exe -nohome", REG_SZ,
       "C:\\windows\\system32\\winebrowser.exe -nohome \"C:\\my pages\\a.html\""},
  };
  HtmlOpenCommandGuard guard;
  for (const auto& c : cases) {
    ASSERT_TRUE(guard.SetString(c.registered, c.type));
    EXPECT_EQ(CommandsTried("C:\\my pages\\a.html"),
              (std::vector<std::string>{c.run, "explorer.exe \"C:\\my pages\\a.html\""}));
  }
}

// The prefix's own command, as wine registers it, never reaches a browser
// with a placeholder left in it.
TEST(OpenDocument, ThePrefixCommandGetsThePage) {
  const std::vector<std::string> tried = CommandsTried("C:\\my pages\\a.html");
  ASSERT_FALSE(tried.empty());
  EXPECT_NE(tried[0].find("C:\\my pages\\a.html"), std::string::npos) << tried[0];
  EXPECT_EQ(tried[0].find("%1"), std::string::npos) << tried[0];
}

TEST(GetBrowserCommand, AnExpandableStringStaysUnexpanded) {
  HtmlOpenCommandGuard guard;
  ASSERT_TRUE(guard.SetString("%ProgramFiles%\\b.exe", REG_EXPAND_SZ));
  EXPECT_EQ(GetBrowserCommand(), "%ProgramFiles%\\b.exe");
}

TEST(GetBrowserCommand, NoKeyMeansExplorer) {
  HtmlOpenCommandGuard guard;
  guard.Remove();
  EXPECT_EQ(GetBrowserCommand(), "explorer");
  EXPECT_EQ(CommandsTried("a.html"),
            (std::vector<std::string>{"explorer \"a.html\"", "explorer.exe \"a.html\""}));
}

TEST(GetBrowserCommand, AnEmptyOrMissingValueGivesALeadingSpace) {
  HtmlOpenCommandGuard guard;
  ASSERT_TRUE(guard.SetString(""));
  EXPECT_EQ(CommandsTried("a.html").at(0), " \"a.html\"");
  ASSERT_TRUE(guard.Set(REG_SZ, nullptr, 0));
  EXPECT_EQ(GetBrowserCommand(), "");
}

TEST(GetBrowserCommand, AValueOfAnotherTypeRaises) {
  HtmlOpenCommandGuard guard;
  const DWORD number = 7;
  ASSERT_TRUE(guard.Set(REG_DWORD, &number, sizeof number));
  try {
    GetBrowserCommand();
    FAIL() << "no exception";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for ''");
  }
}

// A real run: a file type the shell knows nothing of, so the shell fails,
// and the registry's command (cmd copying the page into the current folder)
// really starts, with the page in its placeholder.
TEST(OpenDocument, RealFallbackToTheRegistryCommand) {
  testing_support::TempDir pages;
  testing_support::TempDir out;
  const std::string page = pages / "locked page.zendrel-unknown";
  testing_support::WriteFile(page, "locked");
  HtmlOpenCommandGuard guard;
  // The page takes the placeholder's place; copying a file named "%1"
  // instead would find nothing.
  ASSERT_TRUE(guard.SetString("cmd.exe /c copy /y \"%1\""));
  char old_dir[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, old_dir);
  SetCurrentDirectoryA(out.path().c_str());
  OpenDocument(page);
  SetCurrentDirectoryA(old_dir);
  // cmd runs on its own; wait for its whole copy (it may show the file
  // before its bytes, and hold it unreadable while it writes).
  const std::string copy = out / "locked page.zendrel-unknown";
  std::string copied;
  for (int i = 0; i < 300 && copied != "locked"; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    try {
      copied = testing_support::ReadFile(copy);
    } catch (const std::runtime_error&) {
    }
  }
  EXPECT_EQ(copied, "locked");
}

}  // namespace
