// The fallback chain of opening a document, seen through the shell seam.
#include "app/document_launching.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/settings.h"
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

std::string ExpectedBrowser() {
  // Linux names its browser in $BROWSER; the tests set it. Windows reads the
  // registry, covered by its own tests.
  std::string command;
  if (platform::EnvironmentBrowser(&command)) return command;
  return GetBrowserCommand();
}

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
  EXPECT_EQ(launches.seen.commands[0], ExpectedBrowser() + " \"/pages/my page.html\"");
}

TEST(OpenDocument, TheLastResortRunsWhateverItAnswers) {
#ifndef _WIN32
  setenv("BROWSER", "", 1);
#endif
  LaunchRecorder launches(2, {2, 2});
  OpenDocument("x.html");
  ASSERT_EQ(launches.seen.commands.size(), 2u);
  EXPECT_EQ(launches.seen.commands[0], ExpectedBrowser() + " \"x.html\"");
  EXPECT_EQ(launches.seen.commands[1], platform::LastResortOpener() + " \"x.html\"");
}

TEST(OpenDocument, ManualAndPreviewPathsComeFromTheSettings) {
  const std::string saved_app = AppDir, saved_templates = TemplatesDir;
  const char sep = platform::PathSeparator();
  AppDir = std::string("base") + sep;
  TemplatesDir = AppDir + "Templates" + sep;
  LaunchRecorder launches(40, {});
  OpenManual();
  PreviewTemplate("Dark");
  PreviewTemplate("");
  AppDir = saved_app;
  TemplatesDir = saved_templates;
  const std::string s(1, sep);
  EXPECT_EQ(launches.seen.shell,
            (std::vector<std::string>{"open base" + s + "Manual" + s + "index.html",
                                      "open base" + s + "Templates" + s + "Dark" + s + "index.html",
                                      "open base" + s + "Templates" + s + s + "index.html"}));
}

}  // namespace
