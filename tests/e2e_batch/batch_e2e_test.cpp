// Batch mode end to end: the real program, a copy of it beside a real
// Templates folder, paths relative to the folder it runs in.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e_batch/program_runner.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

class BatchE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string exe = BuiltProgram();
    program_ = install_ / std::filesystem::path(exe).filename().string();
    std::filesystem::copy_file(exe, program_);
    std::filesystem::permissions(program_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    WriteFile(install_ / "Templates/Source Hide/index.html", TemplateStartPage());
    WriteFile(install_ / "Templates/Source Hide/zendrel-extra.css", "body{}");
    WriteFile(install_ / "Templates/Broken/index.html", "<html>no markers</html>");
  }
  TempDir install_;
  TempDir site_;
  std::string program_;
};

TEST_F(BatchE2E, LocksWithAQuotedTemplateNameAndRelativePaths) {
  WriteFile(site_ / "page.html", "<p>mine</p>");
  const ProgramRun run =
      RunProgram(program_, {"Source Hide", "page.html", "page_original.html", "pagekey"}, site_.path());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(run.messages.empty()) << run.messages.at(0);
  EXPECT_EQ(ReadFile(site_ / "page_original.html"), "<p>mine</p>");
  EXPECT_NE(ReadFile(site_ / "page.html").find("//Page Begin\r\n'64',\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(site_ / "zendrel-extra.css"), "body{}");
}

TEST_F(BatchE2E, AFailedLockShowsWhyThenThatNothingWasCreated) {
  WriteFile(site_ / "page.html", "<p>mine</p>");
  const ProgramRun run = RunProgram(program_, {"Broken", "page.html", "backup.html", "pw"}, site_.path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.messages,
            (std::vector<std::string>{"Error|Wrong Template.", "Error|Locked page was not created"}));
  EXPECT_EQ(ReadFile(site_ / "page.html"), "<p>mine</p>");
  EXPECT_EQ(ListNames(site_.path()), "page.html") << "refused before anything changed";
}

TEST_F(BatchE2E, AnEmptyQuotedPasswordLeavesThreeArgumentsAndTheUsage) {
  WriteFile(site_ / "page.html", "<p>mine</p>");
  const ProgramRun run = RunProgram(program_, {"Source Hide", "page.html", "backup.html", ""}, site_.path());
  EXPECT_EQ(run.exit_code, 2);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].substr(0, 44), "Quelto Zendrel 1.11.0|Use these parameters:\n");
  EXPECT_EQ(ReadFile(site_ / "page.html"), "<p>mine</p>");
  EXPECT_FALSE(Exists(site_ / "backup.html"));
}

TEST_F(BatchE2E, TheBackupQuestionIsAskedAndNoKeepsEverything) {
  WriteFile(site_ / "page.html", "<p>mine</p>");
  WriteFile(site_ / "backup.html", "old");
  const ProgramRun run =
      RunProgram(program_, {"Source Hide", "page.html", "backup.html", "pw"}, site_.path(), false);
  EXPECT_EQ(run.exit_code, 1);
  ASSERT_EQ(run.messages.size(), 2u);
  EXPECT_EQ(run.messages[0], "Question|Backup file backup.html is exists.\nReplace it?");
  EXPECT_EQ(ReadFile(site_ / "backup.html"), "old");
  EXPECT_EQ(ReadFile(site_ / "page.html"), "<p>mine</p>");
}

}  // namespace
