// The program's roads, run in-process with the message boxes recorded.
#include "app/program.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/batch_mode.h"
#include "engine/settings.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;
using Args = std::vector<std::string>;

const char kUsageBox[] =
    "Quelto Zendrel 1.11.0|Use these parameters:\n\nzendrel /? - Show this dialog;\n\nzendrel - Run this "
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
  EXPECT_TRUE(RunBatch({"Source Hide", f.Page("p.html"), f.Page("backup.html"), "pagekey"}));
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(ReadFile(f.Page("backup.html")), "page");
  EXPECT_NE(ReadFile(f.Page("p.html")).find("//Page Begin"), std::string::npos);
}

TEST(RunBatch, AFailedLockIsReportedAfterTheEnginesOwnMessage) {
  LockFixture f;
  f.AddTemplateFile("NoMarkers", "index.html", "<html></html>");
  WriteFile(f.Page("p.html"), "page");
  MessageRecorder boxes;
  EXPECT_FALSE(RunBatch({"NoMarkers", f.Page("p.html"), f.Page("backup.html"), "pw"}));
  EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\nError|Locked page was not created\n");
  EXPECT_EQ(boxes.shown()[1].icon, platform::MessageIcon::Error);
}

TEST(RunProtected, AnEscapingExceptionIsShownAndFailsTheRun) {
  MessageRecorder boxes;
  EXPECT_EQ(RunProtected([]() -> int { throw std::runtime_error("disk on fire"); }), kExitNotLocked);
  EXPECT_EQ(boxes.Transcript(), "Error|disk on fire\n");
  EXPECT_EQ(RunProtected([]() -> int { throw 42; }), kExitNotLocked);
  EXPECT_EQ(RunProtected([] { return 7; }), 7);
}

}  // namespace
