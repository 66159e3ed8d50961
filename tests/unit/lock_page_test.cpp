// Locking pages end to end on real folders: the locked page checked by its
// bytes, every message, and no failure that loses the page.
#include "engine/lock_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/page_encoding.h"
#include "engine/settings.h"
#include "fileio/fast_io.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;
using platform::MessageAnswer;

const std::string kPage =
    "<html><head><title>Mine</title></head><body><p>Hello 'world' & <b>you</b></p></body></html>\r\n";

// The block for `bytes`, from an encoder run of its own over a copy.
std::string ExpectedBlock(const std::string& bytes, const std::string& password, bool wrap) {
  TempDir dir;
  WriteFile(dir / "copy", bytes);
  TFastIO source;
  EXPECT_TRUE(source.Open(dir / "copy"));
  return BuildPageBlock(source, password, wrap);
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

TEST_F(LockPageTest, AnsweringNoForATextPageLeavesItUnderItsNewName) {
  WriteFile(f_.Page("a.txt"), "text");
  WriteFile(f_.Page("backup"), "older");
  MessageRecorder boxes({MessageAnswer::No});
  EXPECT_FALSE(LockPage("Plain", f_.Page("backup"), f_.Page("a.txt"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("a.txt.html")), "text");
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
  EXPECT_EQ(boxes.Transcript(),
            "Error|Cannot copy file " + f_.Page("page.html") + "\n to backup file " + backup + "\n");
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
  EXPECT_EQ(ReadFile(f_.Page("zendrel-test.js")), kPage);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_NE(boxes.shown()[0].text.find("would be replaced by the template file"), std::string::npos);
}

TEST_F(LockPageTest, EmptyTemplateNameOrPasswordIsRefusedUntouched) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("", f_.Page("b.html"), f_.Page("page.html"), "pw"));
  EXPECT_FALSE(LockPage("Plain", f_.Page("b.html"), f_.Page("page.html"), ""));
  EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\nError|A password is not entered\n");
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

// A template start page whose markers break the contract.
void ExpectWrongTemplate(LockFixture& f, const std::string& start_page) {
  f.AddTemplateFile("Bad", "index.html", start_page);
  WriteFile(f.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Bad", f.Page("backup.html"), f.Page("page.html"), "pw"));
  EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\n");
  EXPECT_EQ(ReadFile(f.Page("backup.html")), kPage);
  EXPECT_EQ(ReadFile(f.Page("page.html")), start_page) << "the page is left as installed";
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
TEST_F(LockPageTest, AMissingTemplateFolderIsAWrongTemplate) {
  WriteFile(f_.Page("page.html"), kPage);
  MessageRecorder boxes;
  EXPECT_FALSE(LockPage("Nowhere", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(boxes.Transcript(), "Error|Wrong Template.\n");
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
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

TEST_F(LockPageTest, ALoneLineFeedKeepsTheNextBytesInFrontOfTheBlock) {
  const std::string start_page = "//Page Begin\nXY'old',\n//Page End\n";
  f_.AddTemplateFile("LF", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(LockPage("LF", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("page.html")),
            "//Page Begin\nX" + ExpectedBlock(kPage, "pw", false) + "//Page End\n");
}

TEST_F(LockPageTest, ABlockAsLongAsThePayloadAreaIsWrittenInPlace) {
  const std::string block = ExpectedBlock(kPage, "pw", false);
  const std::string start_page = "//Page Begin\r\n" + std::string(block.size(), '-') + "//Page End\r\n";
  f_.AddTemplateFile("Exact", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  platform::faults::ScopedFaultPlan count;
  ASSERT_TRUE(LockPage("Exact", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(count.Calls(platform::faults::Call::CreateReplacing), 0) << "no temporary file";
  EXPECT_EQ(ReadFile(f_.Page("page.html")), "//Page Begin\r\n" + block + "//Page End\r\n");
}

TEST_F(LockPageTest, APageWithAZeroByteLocksWhatComesBeforeIt) {
  const std::string page = std::string("<p>before</p>\0\0<p>after</p>", 28);
  WriteFile(f_.Page("page.html"), page);
  ASSERT_TRUE(LockPage("Plain", f_.Page("backup.html"), f_.Page("page.html"), "pw"));
  EXPECT_EQ(ReadFile(f_.Page("page.html")),
            Locked(TemplateStartPage(), ExpectedBlock("<p>before</p>", "pw", false)));
  EXPECT_EQ(ReadFile(f_.Page("backup.html")), page) << "the backup keeps every byte";
}

// Every operating-system call of a lock, failed in turn. After each run the
// page's bytes exist in the page or in the backup, no temporary file is
// left, and a true result means the locked page was written.
TEST_F(LockPageTest, NoFailurePointLosesThePage) {
  const std::string locked = Locked(TemplateStartPage(), ExpectedBlock(kPage, "pagekey", false));
  std::int64_t calls = 0;
  {
    WriteFile(f_.Page("page.html"), kPage);
    platform::faults::ScopedFaultPlan count;
    ASSERT_TRUE(LockPage("Plain", f_.Page("backup.html"), f_.Page("page.html"), "pagekey"));
    calls = count.TotalCalls();
  }
  ASSERT_GT(calls, 10);
  for (std::int64_t n = 1; n <= calls; ++n) {
    TempDir scratch;
    std::filesystem::remove_all(f_.pages.path());
    std::filesystem::create_directories(f_.pages.path());
    WriteFile(f_.Page("page.html"), kPage);
    MessageRecorder boxes({MessageAnswer::Yes});
    bool result;
    {
      platform::faults::ScopedFaultPlan plan(n);
      result = LockPage("Plain", f_.Page("backup.html"), f_.Page("page.html"), "pagekey");
      ASSERT_TRUE(plan.Fired()) << n;
    }
    const std::string page = ReadFile(f_.Page("page.html"));
    const bool backup_whole = Exists(f_.Page("backup.html")) && ReadFile(f_.Page("backup.html")) == kPage;
    EXPECT_TRUE(page == kPage || backup_whole) << "call " << n << ": the page's bytes are gone";
    EXPECT_FALSE(Exists(f_.Page("page.html~temp~"))) << "call " << n;
    if (result) {
      EXPECT_EQ(page, locked) << "call " << n;
      EXPECT_TRUE(backup_whole) << "call " << n;
    } else {
      EXPECT_NE(page, locked) << "call " << n << ": a written page reported as not created";
    }
  }
}

}  // namespace
