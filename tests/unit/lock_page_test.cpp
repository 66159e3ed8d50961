// Locking pages end to end on real folders: the locked page checked by its
// bytes, every message, and no failure that loses the page.
#include "engine/lock_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "engine/page_encoding.h"
#include "engine/page_unlock.h"
#include "engine/settings.h"
#include "fileio/byte_source.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;
using platform::MessageAnswer;

const std::string kPage =
    "<html><head><title>Mine</title></head><body><p>Hello 'world' & <b>you</b></p></body></html>\r\n";

// The block for `bytes`, from an encoder run of its own over a copy.
std::string ExpectedBlock(const std::string& bytes, const std::string& password, bool wrap,
                          const std::string& line_break = "\r\n") {
  TempDir dir;
  WriteFile(dir / "copy", bytes);
  TByteSource source;
  EXPECT_TRUE(source.Open(dir / "copy"));
  return BuildPageBlock(source, password, wrap, line_break);
}

std::string Locked(const std::string& start_page, const std::string& block) {
  const std::size_t begin = start_page.find("//Page Begin") + 14;
  const std::size_t end = start_page.find("//Page End", begin - 14);
  return start_page.substr(0, begin) + block + start_page.substr(end);
}

class LockPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    f_.AddTemplateFile("Plain", "index.html", TemplateStartPage());
    f_.AddTemplateFile("Plain", "zendrel-test.js", "// decoder");
  }
  LockFixture f_;
};

TEST_F(LockPageTest, LocksAPageByteForByte) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  ASSERT_TRUE(LockPage("Plain", f_.Page("page_original.html"), f_.Page("page.html"), "pagekey"));
  EXPECT_TRUE(boxes.shown().empty()) << boxes.Transcript();
  EXPECT_EQ(ReadFile(f_.Page("page_original.html")), kPage);
  EXPECT_EQ(ReadFile(f_.Page("page.html")),
            Locked(TemplateStartPage(), ExpectedBlock(kPage, "pagekey", false)));
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html page_original.html zendrel-test.js");
}

TEST_F(LockPageTest, ProgressGrowsToThePageSizeWithEitherBlock) {
  f_.AddTemplateFile("Strong", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">" + TemplateStartPage());
  const std::string page(300000, 'x');
  for (const char* name : {"Plain", "Strong"}) {
    SCOPED_TRACE(name);
    WriteFile(f_.Page("big.html"), page);
    platform::RemoveFile(f_.Page("big_original.html"));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> heard;
    ASSERT_TRUE(LockPage(name, f_.Page("big_original.html"), f_.Page("big.html"), "pw",
                         [&](std::uint64_t done, std::uint64_t total) { heard.emplace_back(done, total); }));
    ASSERT_GE(heard.size(), 2u);
    for (std::size_t i = 0; i < heard.size(); ++i) {
      EXPECT_EQ(heard[i].second, page.size());
      if (i > 0) EXPECT_GE(heard[i].first, heard[i - 1].first);
    }
    EXPECT_EQ(heard.back().first, page.size());
  }
}

TEST_F(LockPageTest, TextPagesAreRenamedAndWrapped) {
  WriteFile(f_.Page("a.txt"), "a < b & c\n");
  ASSERT_TRUE(LockPage("Plain", f_.Page("a_original.txt"), f_.Page("a.txt"), "pw"));
  EXPECT_FALSE(Exists(f_.Page("a.txt")));
  EXPECT_EQ(ReadFile(f_.Page("a_original.txt")), "a < b & c\n");
  EXPECT_EQ(ReadFile(f_.Page("a.txt.html")),
            Locked(TemplateStartPage(), ExpectedBlock("a < b & c\n", "pw", true)));
}

TEST_F(LockPageTest, OnlyTheLowerCaseTxtExtensionIsText) {
  WriteFile(f_.Page("a.TXT"), "upper");
  ASSERT_TRUE(LockPage("Plain", f_.Page("backup"), f_.Page("a.TXT"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("a.TXT")), Locked(TemplateStartPage(), ExpectedBlock("upper", "pw", false)));
  EXPECT_FALSE(Exists(f_.Page("a.TXT.html")));
}

TEST_F(LockPageTest, ATextPageWhoseHtmlNameIsTakenIsLeftAlone) {
  WriteFile(f_.Page("a.txt"), "text");
  WriteFile(f_.Page("a.txt.html"), "someone else's page");
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Plain", f_.Page("b"), f_.Page("a.txt"), "pw"));
  EXPECT_EQ(boxes.Transcript(),
            "Error|Cannot rename file " + f_.Page("a.txt") + "\n to " + f_.Page("a.txt.html") + "\n");
  EXPECT_EQ(ReadFile(f_.Page("a.txt")), "text");
  EXPECT_EQ(ReadFile(f_.Page("a.txt.html")), "someone else's page");
  EXPECT_FALSE(Exists(f_.Page("b")));
}

TEST_F(LockPageTest, AnsweringNoToTheBackupQuestionChangesNothing) {
  WriteFile(f_.Page("page.html"), kPage);
  WriteFile(f_.Page("backup.html"), "older backup");
  MessageRecorder boxes({MessageAnswer::No});
  EXPECT_FALSE(LockPage("Plain", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Question");
  EXPECT_EQ(boxes.shown()[0].text, "Backup file " + f_.Page("backup.html") + " is exists.\nReplace it?");
  EXPECT_EQ(boxes.shown()[0].icon, platform::MessageIcon::Warning);
  EXPECT_EQ(boxes.shown()[0].buttons, platform::MessageButtons::YesNo);
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
  EXPECT_EQ(ReadFile(f_.Page("backup.html")), "older backup");
  EXPECT_EQ(ListNames(f_.pages.path()), "backup.html page.html");
}

TEST_F(LockPageTest, AnsweringNoForATextPageKeepsItsName) {
  WriteFile(f_.Page("a.txt"), "text");
  WriteFile(f_.Page("backup"), "older");
  MessageRecorder boxes({MessageAnswer::No});
  EXPECT_FALSE(LockPage("Plain", f_.Page("backup"), f_.Page("a.txt"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("a.txt")), "text");
  EXPECT_EQ(ListNames(f_.pages.path()), "a.txt backup");
}

TEST_F(LockPageTest, AnsweringYesReplacesTheBackup) {
  WriteFile(f_.Page("page.html"), kPage);
  WriteFile(f_.Page("backup.html"), "older backup");
  MessageRecorder boxes({MessageAnswer::Yes});
  EXPECT_TRUE(LockPage("Plain", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("backup.html")), kPage);
}

TEST_F(LockPageTest, ABackupThatCannotBeWrittenStopsBeforeTheTemplate) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  const std::string backup = f_.Page("no-such-folder/backup.html");
  EXPECT_FALSE(LockPage("Plain", backup, f_.Page("page.html"), "pw"));
  ASSERT_EQ(boxes.shown().size(), 1u);
  const std::string first_lines =
      "Cannot copy file " + f_.Page("page.html") + "\n to backup file " + backup + "\n";
  EXPECT_EQ(boxes.shown()[0].text.substr(0, first_lines.size()), first_lines);
  EXPECT_GT(boxes.shown()[0].text.size(), first_lines.size()) << "the system's reason follows";
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

TEST_F(LockPageTest, TheBackupCannotBeThePageItself) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes({MessageAnswer::Yes});
  EXPECT_FALSE(LockPage("Plain", f_.Page("page.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
}

TEST_F(LockPageTest, ABackupNamedLikeATemplateFileIsRefused) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Plain", f_.Page("zendrel-test.js"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
  EXPECT_FALSE(Exists(f_.Page("zendrel-test.js")));
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_NE(boxes.shown()[0].text.find("would be replaced by the template file"), std::string::npos);
}

TEST_F(LockPageTest, EmptyTemplateNameOrPasswordIsRefusedUntouched) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("", f_.Page("b.html"), f_.Page("page.html"), "pw"));
  EXPECT_FALSE(LockPage("Plain", f_.Page("b.html"), f_.Page("page.html"), ""));
  EXPECT_EQ(boxes.Transcript(),
            "Error| is not a template name.\nName a folder of the templates folder, without a path.\n"
            "Error|A password is not entered\n");
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

// A template start page whose markers break the contract is refused before
// anything changes.
void ExpectWrongTemplate(LockFixture& f, const std::string& start_page) {
  f.AddTemplateFile("Bad", "index.html", start_page);
  WriteFile(f.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Bad", f.Page("backup.html"), f.Page("page.html"), "pw"));
  EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\n");
  EXPECT_EQ(ReadFile(f.Page("page.html")), kPage);
  EXPECT_EQ(ListNames(f.pages.path()), "page.html");
}

TEST_F(LockPageTest, MissingEndMarkerIsAWrongTemplate) {
  ExpectWrongTemplate(f_, "x\r\n//Page Begin\r\n'a',\r\n");
}
TEST_F(LockPageTest, MissingBeginMarkerIsAWrongTemplate) {
  ExpectWrongTemplate(f_, "x\r\n'a',\r\n//Page End\r\n");
}
TEST_F(LockPageTest, ReversedMarkersAreAWrongTemplate) {
  ExpectWrongTemplate(f_, "//Page End\r\n'a',\r\n//Page Begin\r\n");
}
TEST_F(LockPageTest, MarkersOnOneLineAreAWrongTemplate) {
  ExpectWrongTemplate(f_, "//Page Begin //Page End\r\n");
}
TEST_F(LockPageTest, BeginMarkerAt30000IsTooFar) {
  ExpectWrongTemplate(f_, std::string(30000, ' ') + "//Page Begin\r\n//Page End\r\n");
}
TEST_F(LockPageTest, EndMarker30000BytesAfterTheBeginIsTooFar) {
  ExpectWrongTemplate(f_, "//Page Begin\r\n" + std::string(30000 - 14, ' ') + "//Page End\r\n");
}
TEST_F(LockPageTest, AMissingTemplateIsNamed) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Nowhere", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(boxes.Transcript(), "Error|Template Nowhere not found:\n" + TemplatesDir + "Nowhere" +
                                    platform::PathSeparator() + "index.html does not exist.\n");
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

TEST_F(LockPageTest, MarkersAtTheEdgesOfTheLimitAreAccepted) {
  const std::string start_page =
      std::string(29999, ' ') + "//Page Begin\r\n" + std::string(29985, ' ') + "//Page End";
  f_.AddTemplateFile("Edge", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(LockPage("Edge", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("page.html")), Locked(start_page, ExpectedBlock(kPage, "pw", false)));
}

TEST_F(LockPageTest, AnEmptyPayloadAreaTakesTheBlockBetweenTheMarkerLines) {
  const std::string start_page = "a(\r\n//Page Begin\r\n//Page End\r\n";
  f_.AddTemplateFile("Empty", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(LockPage("Empty", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("page.html")),
            "a(\r\n//Page Begin\r\n" + ExpectedBlock(kPage, "pw", false) + "//Page End\r\n");
}

// The block starts right after the line break that ends the marker's line,
// and its own lines end the same way: an LF template gives an LF block.
TEST_F(LockPageTest, AnLfTemplateGetsAnLfBlockRightAfterTheMarkerLine) {
  const std::string start_page = "a(\n//Page Begin\n'old',\n//Page End\n);\n";
  f_.AddTemplateFile("LF", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(LockPage("LF", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  const std::string block = ExpectedBlock(kPage, "pw", false, "\n");
  EXPECT_EQ(block.find('\r'), std::string::npos);
  EXPECT_EQ(ReadFile(f_.Page("page.html")), "a(\n//Page Begin\n" + block + "//Page End\n);\n");
}

// A strong LF template: the block's lines end in LF, and zendrel-unlock
// reads it back.
TEST_F(LockPageTest, AStrongLfTemplateLocksAPageThatUnlocks) {
  f_.AddTemplateFile("StrongLF", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">\n<script>\n//Page Begin\n"
                     "'placeholder',\n//Page End\n</script>\n");
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(LockPage("StrongLF", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  const std::string locked = ReadFile(f_.Page("page.html"));
  EXPECT_EQ(locked.find('\r'), std::string::npos);
  EXPECT_NE(locked.find("//Page Begin\n'ZENDREL-AES-GCM-2',\n'600000',\n"), std::string::npos);
  ASSERT_EQ(UnlockPage(f_.Page("page.html"), f_.Page("unlocked.html"), "pw").status, TUnlockStatus::Done);
  EXPECT_EQ(ReadFile(f_.Page("unlocked.html")), kPage);
}

#ifndef _WIN32
// Latin-1 bytes from a terminal in another charset: the strong lock refuses
// them before anything changes, saying why. (Windows converts the typed
// password from its code page.)
TEST_F(LockPageTest, AStrongTemplateRefusesAPasswordThatIsNotUtf8) {
  f_.AddTemplateFile("Strong", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">" + TemplateStartPage());
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Strong", f_.Page("backup.html"), f_.Page("page.html"), "caf\xE9"));
  EXPECT_EQ(boxes.Transcript(), std::string("Error|") + messages::kPasswordNotUtf8 + "\n");
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}
#endif

// A marker line that ends in anything but CR LF or LF is no template: the
// page is left as it was.
TEST_F(LockPageTest, AMarkerLineEndingOtherwiseIsAWrongTemplate) {
  for (const std::string start_page :
       {"//Page Begin XY\n//Page End\n", "//Page Begin\rXY\r//Page End\r", "//Page Begin//Page End\r\n"}) {
    SCOPED_TRACE(start_page);
    f_.AddTemplateFile("Odd", "index.html", start_page);
    WriteFile(f_.Page("page.html"), kPage);
    MessageRecorder boxes;
    EXPECT_FALSE(LockPage("Odd", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
    EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\n");
    EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
    EXPECT_FALSE(platform::PathExists(f_.Page("backup.html")));
  }
}

TEST_F(LockPageTest, TemplateLinksAreNeitherFollowedNorCopied) {
  f_.AddTemplateFile("Plain", "img/a.gif", "GIF");
  const std::string folder = TemplatesDir + "Plain" + platform::PathSeparator();
  std::error_code no_links;
  std::filesystem::create_symlink(f_.Page("outside.txt"), folder + "passwd", no_links);
  if (no_links) GTEST_SKIP() << "this file system has no symbolic links: " << no_links.message();
  std::filesystem::create_directory_symlink(folder, folder + "img" + platform::PathSeparator() + "loop");
  WriteFile(f_.Page("outside.txt"), "secret");
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  ASSERT_TRUE(LockPage("Plain", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ListNames(f_.pages.path()), "backup.html img outside.txt page.html zendrel-test.js");
  EXPECT_EQ(ListNames(f_.Page("img")), "a.gif");
  ASSERT_EQ(boxes.shown().size(), 2u);
  for (const auto& box : boxes.shown())
    EXPECT_NE(box.text.find("is a link; it is neither followed nor copied"), std::string::npos);
}

// Every operating-system call of a lock, failed in turn, before it does
// anything and partway through (a short write, a copy that stopped half way,
// a flush or a close that failed after their work). After each run the page
// is the original or the finished locked page, the backup the original or
// the old backup, no temporary file is left, and the result says which.
struct SweepCase {
  const char* name;
  const char* page;         // the page as given to the lock
  const char* locked_page;  // where the locked page ends up
  bool old_backup;
};

class LockSweep : public LockPageTest, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(LockSweep, NoFailurePointLosesThePage) {
  const SweepCase c = GetParam();
  const bool text = std::string(c.page) != c.locked_page;
  const std::string locked = Locked(TemplateStartPage(), ExpectedBlock(kPage, "pagekey", text));
  auto prepare = [&] {
    std::filesystem::remove_all(f_.pages.path());
    std::filesystem::create_directories(f_.pages.path());
    WriteFile(f_.Page(c.page), kPage);
    if (c.old_backup) WriteFile(f_.Page("backup.html"), "older backup");
  };
  std::int64_t calls = 0;
  {
    prepare();
    MessageRecorder boxes({MessageAnswer::Yes});
    platform::faults::ScopedFaultPlan count;
    ASSERT_TRUE(LockPage("Plain", f_.Page("backup.html"), f_.Page(c.page), "pagekey"));
    calls = count.TotalCalls();
  }
  ASSERT_GT(calls, 10);
  for (const auto how : {platform::faults::Failure::Before, platform::faults::Failure::Partway}) {
    for (std::int64_t n = 1; n <= calls; ++n) {
      prepare();
      MessageRecorder boxes({MessageAnswer::Yes});
      bool result;
      platform::faults::Call fired;
      {
        platform::faults::ScopedFaultPlan plan(n, how);
        result = LockPage("Plain", f_.Page("backup.html"), f_.Page(c.page), "pagekey");
        ASSERT_TRUE(plan.Fired()) << n;
        fired = plan.FiredCall();
      }
      const std::string at = "call " + std::to_string(n) + " (kind " +
                             std::to_string(static_cast<int>(fired)) +
                             (how == platform::faults::Failure::Partway ? ", partway)" : ")");
      const std::string backup = Exists(f_.Page("backup.html")) ? ReadFile(f_.Page("backup.html")) : "<none>";
      EXPECT_TRUE(backup == kPage || backup == (c.old_backup ? "older backup" : "<none>")) << at;
      if (result) {
        EXPECT_EQ(ReadFile(f_.Page(c.locked_page)), locked) << at;
        EXPECT_EQ(backup, kPage) << at;
        EXPECT_TRUE(!text || !Exists(f_.Page(c.page))) << at;
      } else {
        // Not locked: the original under its own name (or, when renaming a
        // text page back failed too, under the new one).
        const bool kept = Exists(f_.Page(c.page)) && ReadFile(f_.Page(c.page)) == kPage;
        const bool kept_renamed =
            text && Exists(f_.Page(c.locked_page)) && ReadFile(f_.Page(c.locked_page)) == kPage;
        EXPECT_TRUE(kept || kept_renamed) << at;
        EXPECT_FALSE(boxes.shown().empty()) << at << ": a failure without a word";
      }
      // Only a failed delete can leave a temporary file.
      if (fired != platform::faults::Call::Remove) {
        EXPECT_EQ(ListNames(f_.pages.path()).find("~temp~"), std::string::npos) << at;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, LockSweep,
                         ::testing::Values(SweepCase{"NewBackup", "page.html", "page.html", false},
                                           SweepCase{"OldBackup", "page.html", "page.html", true},
                                           SweepCase{"TextPage", "a.txt", "a.txt.html", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
