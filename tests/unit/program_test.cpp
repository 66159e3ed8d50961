// The program's roads, run in-process with the message boxes recorded.
#include "app/window/program.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#ifdef _WIN32
#include <windows.h>
#endif

#include "app/window/batch_mode.h"
#include "tests/support/lock_fixture.h"
#include "zendrel_version.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

// The system's own words for a path whose folder does not exist: Windows
// says it with ERROR_PATH_NOT_FOUND, the others with ENOENT.
std::string MissingFolderReason() {
#ifdef _WIN32
  char text[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 ERROR_PATH_NOT_FOUND, 0, text, sizeof text, nullptr);
  std::string reason(text, n);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' '))
    reason.pop_back();
  return reason;
#else
  return std::strerror(ENOENT);
#endif
}

const char kUsageBox[] =
    "Quelto Zendrel " ZENDREL_VERSION
    "|Use these parameters:\n\nzendrel /? - Show this dialog;\n\nzendrel - Run this "
    "program in GUI "
    "mode;\n\nzendrel <Template Name> <File to Lock> <Backup File Name> <password> - Run this program in a "
    "Batch "
    "Mode.\n";

TEST(Program, HelpFormsShowTheUsageWhateverFollows) {
  for (const char* help : {"/?", "-?", "?"}) {
    MessageRecorder boxes;
    EXPECT_EQ(ZendrelMain(Args{help, "a", "b", "c"}), kExitLocked);
    EXPECT_EQ(boxes.Transcript(), kUsageBox);
    EXPECT_EQ(boxes.shown()[0].icon, platform::MessageIcon::Information);
  }
}

TEST(Program, ThreeOrFiveArgumentsShowTheUsageAndLockNothing) {
  LockFixture f;
  WriteFile(f.Page("p.html"), "page");
  for (const Args& args : {Args{"T", f.Page("p.html"), f.Page("b.html")},
                           Args{"T", f.Page("p.html"), f.Page("b.html"), "pw", "extra"}}) {
    MessageRecorder boxes;
    EXPECT_EQ(ZendrelMain(args), kExitUsage);
    EXPECT_EQ(boxes.Transcript(), kUsageBox);
  }
  EXPECT_EQ(ListNames(f.pages.path()), "p.html");
}

TEST(RunBatch, PassesTheArgumentsInTheEngineOrder) {
  LockFixture f;
  f.AddTemplateFile("Source Hide", "index.html", TemplateStartPage());
  WriteFile(f.Page("p.html"), "page");
  MessageRecorder boxes;
  EXPECT_TRUE(RunBatch({"Source Hide", f.Page("p.html"), f.Page("backup.html"), "pagekey"}, f.Library()));
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(ReadFile(f.Page("backup.html")), "page");
  EXPECT_NE(ReadFile(f.Page("p.html")).find("//Page Begin"), std::string::npos);
}

TEST(RunBatch, AFailedLockIsReportedAfterTheEnginesOwnMessage) {
  LockFixture f;
  f.AddTemplateFile("NoMarkers", "index.html", "<html></html>");
  WriteFile(f.Page("p.html"), "page");
  MessageRecorder boxes;
  EXPECT_FALSE(RunBatch({"NoMarkers", f.Page("p.html"), f.Page("backup.html"), "pw"}, f.Library()));
  EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\nError|Locked page was not created\n");
  EXPECT_EQ(boxes.shown()[1].icon, platform::MessageIcon::Error);
}

// The engine's problems come back as results; batch mode puts them into the
// boxes the program has always shown, in the order met.
TEST(RunBatch, AsksAboutAnExistingBackupInAQuestionBox) {
  LockFixture f;
  f.AddTemplateFile("Plain", "index.html", TemplateStartPage());
  for (const auto answer : {platform::MessageAnswer::No, platform::MessageAnswer::Yes}) {
    WriteFile(f.Page("p.html"), "page");
    WriteFile(f.Page("backup.html"), "older backup");
    MessageRecorder boxes({answer});
    EXPECT_EQ(RunBatch({"Plain", f.Page("p.html"), f.Page("backup.html"), "pw"}, f.Library()),
              answer == platform::MessageAnswer::Yes);
    ASSERT_GE(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "Question");
    EXPECT_EQ(boxes.shown()[0].text, "Backup file " + f.Page("backup.html") + " is exists.\nReplace it?");
    EXPECT_EQ(boxes.shown()[0].icon, platform::MessageIcon::Warning);
    EXPECT_EQ(boxes.shown()[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(boxes.shown()[0].default_answer, platform::MessageAnswer::No);
    if (answer == platform::MessageAnswer::No) {
      EXPECT_EQ(boxes.Transcript(), "Question|Backup file " + f.Page("backup.html") +
                                        " is exists.\nReplace it?\nError|Locked page was not created\n");
      EXPECT_EQ(ReadFile(f.Page("backup.html")), "older backup");
    } else {
      EXPECT_EQ(boxes.shown().size(), 1u) << boxes.Transcript();
      EXPECT_EQ(ReadFile(f.Page("backup.html")), "page");
    }
  }
}

TEST(RunBatch, TellsTheSystemsReasonOnALineOfItsOwn) {
  LockFixture f;
  f.AddTemplateFile("Plain", "index.html", TemplateStartPage());
  WriteFile(f.Page("p.html"), "page");
  const std::string backup = f.Page("no-such-folder/backup.html");
  MessageRecorder boxes;
  EXPECT_FALSE(RunBatch({"Plain", f.Page("p.html"), backup, "pw"}, f.Library()));
  ASSERT_EQ(boxes.shown().size(), 2u) << boxes.Transcript();
  const std::string first_lines =
      "Cannot copy file " + f.Page("p.html") + "\n to backup file " + backup + "\n";
  EXPECT_EQ(boxes.shown()[0].text.substr(0, first_lines.size()), first_lines);
  EXPECT_EQ(boxes.shown()[0].text.substr(first_lines.size()), MissingFolderReason());
  EXPECT_EQ(boxes.shown()[1].text, "Locked page was not created");
}

TEST(RunBatch, TellsEachSkippedTemplateLinkBeforeTheLockEnds) {
  LockFixture f;
  f.AddTemplateFile("Plain", "index.html", TemplateStartPage());
  const std::string link = f.TemplatesDir() + "Plain" + platform::PathSeparator() + "link.css";
  std::error_code no_links;
  std::filesystem::create_symlink(f.Page("elsewhere"), link, no_links);
  if (no_links) GTEST_SKIP() << "this file system has no symbolic links: " << no_links.message();
  WriteFile(f.Page("p.html"), "page");
  MessageRecorder boxes;
  EXPECT_TRUE(RunBatch({"Plain", f.Page("p.html"), f.Page("backup.html"), "pw"}, f.Library()));
  EXPECT_EQ(boxes.Transcript(),
            "Error|Template file " + link + " is a link; it is neither followed nor copied.\n");
}

TEST(RunProtected, AnEscapingExceptionIsShownAndFailsTheRun) {
  MessageRecorder boxes;
  EXPECT_EQ(RunProtected([]() -> int { throw std::runtime_error("disk on fire"); }), kExitNotLocked);
  EXPECT_EQ(boxes.Transcript(), "Error|disk on fire\n");
  EXPECT_EQ(RunProtected([]() -> int { throw 42; }), kExitNotLocked);
  EXPECT_EQ(RunProtected([] { return 7; }), 7);
}

}  // namespace
