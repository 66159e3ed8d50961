// The fallback chain of opening a document, seen through the shell seam.
#include "app/window/document_launching.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/platform.h"

namespace {

struct Launches {
  std::vector<std::string> shell;
  std::vector<std::string> commands;
};

// Records every attempt; the shell and each command answer in turn from the
// scripted codes (a failure, 2, once the script runs out).
class LaunchRecorder {
 public:
  LaunchRecorder(int shell_code, std::vector<int> command_codes)
      : codes_(std::move(command_codes)),
        scope_(
            [this, shell_code](const std::string& target, const std::string& verb) {
              seen.shell.push_back(verb + " " + target);
              return shell_code;
            },
            [this](const std::string& command) {
              seen.commands.push_back(command);
              const int code = next_ < codes_.size() ? codes_[next_] : 2;
              ++next_;
              return code;
            }) {}
  Launches seen;

 private:
  std::vector<int> codes_;
  std::size_t next_ = 0;
  platform::ScopedShellHandler scope_;
};

TEST(OpenDocument, TheShellFirstAndNothingElseWhenItWorks) {
  LaunchRecorder launches(42, {});
  OpenDocument("C:\\pages\\my page.html");
  EXPECT_EQ(launches.seen.shell, std::vector<std::string>{"open C:\\pages\\my page.html"});
  EXPECT_TRUE(launches.seen.commands.empty());
}

TEST(OpenDocument, ThirtyTwoCountsAsSuccess) {
  LaunchRecorder launches(32, {});
  OpenDocument("a.html");
  EXPECT_TRUE(launches.seen.commands.empty());
}

TEST(OpenDocument, TheBrowserCommandGetsTheQuotedPath) {
#ifndef _WIN32
  setenv("BROWSER", "mybrowser --new-window", 1);
#endif
  LaunchRecorder launches(31, {33});
  OpenDocument("/pages/my page.html");
  ASSERT_EQ(launches.seen.commands.size(), 1u);
  // The quoted path takes the place of a placeholder or follows the command.
  EXPECT_TRUE(launches.seen.commands[0].ends_with(" \"/pages/my page.html\"")) << launches.seen.commands[0];
  EXPECT_EQ(launches.seen.commands[0].find("%1"), std::string::npos);
}

TEST(BrowserCommandLine, TheFirstPlaceholderTakesThePath) {
  const std::string path = "C:\\my pages\\a.html";
  const struct {
    const char* command;
    const char* expected;
  } cases[] = {
      // Quoted placeholders get the bare path; bare ones get it quoted.
      {"\"C:\\B\\b.exe\" -url \"%1\"", "\"C:\\B\\b.exe\" -url \"C:\\my pages\\a.html\""},
      {"\"C:\\B\\b.exe\" %1", "\"C:\\B\\b.exe\" \"C:\\my pages\\a.html\""},
      {"b.exe --single-argument %L", "b.exe --single-argument \"C:\\my pages\\a.html\""},
      {"b.exe \"%l\"", "b.exe \"C:\\my pages\\a.html\""},
      // Only the first one; the rest of the command stays as it is.
      {"b.exe \"%1\" %1 %*", "b.exe \"C:\\my pages\\a.html\" %1 %*"},
      {"b.exe %2 %Lx", "b.exe %2 \"C:\\my pages\\a.html\"x"},
      // Without a placeholder the quoted path follows the command.
      {"b.exe -nohome", "b.exe -nohome \"C:\\my pages\\a.html\""},
      {"explorer", "explorer \"C:\\my pages\\a.html\""},
      {"b.exe 100%", "b.exe 100% \"C:\\my pages\\a.html\""},
      {"", " \"C:\\my pages\\a.html\""},
  };
  for (const auto& c : cases) EXPECT_EQ(BrowserCommandLine(c.command, path), c.expected) << c.command;
}

TEST(OpenDocument, TheLastResortRunsWhateverItAnswers) {
#ifndef _WIN32
  setenv("BROWSER", "", 1);
#endif
  LaunchRecorder launches(2, {2, 2});
  OpenDocument("x.html");
  ASSERT_EQ(launches.seen.commands.size(), 2u);
  EXPECT_TRUE(launches.seen.commands[0].ends_with(" \"x.html\"")) << launches.seen.commands[0];
  EXPECT_EQ(launches.seen.commands[1], platform::LastResortOpener() + " \"x.html\"");
}

TEST(OpenDocument, ManualAndPreviewPathsComeFromTheStartUp) {
  const char sep = platform::PathSeparator();
  const TStartUp start_up = StartUpIn(std::string("base") + sep);
  LaunchRecorder launches(40, {});
  OpenManual(start_up);
  PreviewTemplate(start_up.templates, "Dark");
  PreviewTemplate(start_up.templates, "");
  const std::string s(1, sep);
  EXPECT_EQ(launches.seen.shell,
            (std::vector<std::string>{"open base" + s + "Manual" + s + "index.html",
                                      "open base" + s + "Templates" + s + "Dark" + s + "index.html",
                                      "open base" + s + "Templates" + s + s + "index.html"}));
}

}  // namespace
