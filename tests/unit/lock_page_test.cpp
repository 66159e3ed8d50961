// Locking pages end to end on real folders: the locked page checked by its
// bytes, every result and what the observer heard, and no failure or stop
// that loses the page.
#include "engine/lock_page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/format/xor/page_encoding.h"
#include "engine/page_unlock.h"
#include "fileio/byte_source.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;

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
  ScriptedObserver observer;
  const TLockResult result =
      Lock(f_, "Plain", f_.Page("page.html"), f_.Page("page_original.html"), "pagekey", observer);
  ASSERT_TRUE(result.ok()) << Told(result);
  EXPECT_EQ(result.status, TStatus::Done);
  EXPECT_EQ(result.problem.message.text, nullptr);
  EXPECT_EQ(result.locked_page, f_.Page("page.html"));
  EXPECT_TRUE(observer.asked.empty());
  EXPECT_TRUE(observer.warnings.empty());
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
    ScriptedObserver observer;
    ASSERT_TRUE(Lock(f_, name, f_.Page("big.html"), f_.Page("big_original.html"), "pw", observer).ok());
    const auto& heard = observer.progress;
    ASSERT_GE(heard.size(), 2u);
    for (std::size_t i = 0; i < heard.size(); ++i) {
      EXPECT_EQ(heard[i].second, page.size());
      if (i > 0) {
        EXPECT_GE(heard[i].first, heard[i - 1].first);
      }
    }
    EXPECT_EQ(heard.back().first, page.size());
  }
}

TEST_F(LockPageTest, TextPagesAreRenamedAndWrapped) {
  WriteFile(f_.Page("a.txt"), "a < b & c\n");
  const TLockResult result = Lock(f_, "Plain", f_.Page("a.txt"), f_.Page("a_original.txt"), "pw");
  ASSERT_TRUE(result.ok()) << Told(result);
  EXPECT_EQ(result.locked_page, f_.Page("a.txt.html"));
  EXPECT_FALSE(Exists(f_.Page("a.txt")));
  EXPECT_EQ(ReadFile(f_.Page("a_original.txt")), "a < b & c\n");
  EXPECT_EQ(ReadFile(f_.Page("a.txt.html")),
            Locked(TemplateStartPage(), ExpectedBlock("a < b & c\n", "pw", true)));
}

TEST_F(LockPageTest, OnlyTheLowerCaseTxtExtensionIsText) {
  WriteFile(f_.Page("a.TXT"), "upper");
  ASSERT_TRUE(Lock(f_, "Plain", f_.Page("a.TXT"), f_.Page("backup"), "pw").ok());
  EXPECT_EQ(ReadFile(f_.Page("a.TXT")), Locked(TemplateStartPage(), ExpectedBlock("upper", "pw", false)));
  EXPECT_FALSE(Exists(f_.Page("a.TXT.html")));
}

TEST_F(LockPageTest, ATextPageWhoseHtmlNameIsTakenIsLeftAlone) {
  WriteFile(f_.Page("a.txt"), "text");
  WriteFile(f_.Page("a.txt.html"), "someone else's page");
  const TLockResult result = Lock(f_, "Plain", f_.Page("a.txt"), f_.Page("b"), "pw");
  EXPECT_EQ(result.status, TStatus::Failed);
  EXPECT_EQ(Told(result), "Cannot rename file " + f_.Page("a.txt") + "\n to " + f_.Page("a.txt.html") + "\n");
  EXPECT_EQ(ReadFile(f_.Page("a.txt")), "text");
  EXPECT_EQ(ReadFile(f_.Page("a.txt.html")), "someone else's page");
  EXPECT_FALSE(Exists(f_.Page("b")));
}

TEST_F(LockPageTest, AnsweringNoToTheBackupQuestionChangesNothing) {
  // A scripted No, and an observer that asks nobody: neither replaces it.
  ScriptedObserver scripted({false});
  TRunObserver asks_nobody;
  for (TRunObserver* observer : {static_cast<TRunObserver*>(&scripted), &asks_nobody}) {
    WriteFile(f_.Page("page.html"), kPage);
    WriteFile(f_.Page("backup.html"), "older backup");
    const TLockResult result =
        Lock(f_, "Plain", f_.Page("page.html"), f_.Page("backup.html"), "pw", *observer);
    EXPECT_EQ(result.status, TStatus::Declined);
    EXPECT_EQ(Told(result), "");
    EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
    EXPECT_EQ(ReadFile(f_.Page("backup.html")), "older backup");
    EXPECT_EQ(ListNames(f_.pages.path()), "backup.html page.html");
  }
  EXPECT_EQ(scripted.asked, std::vector<std::string>{f_.Page("backup.html")});
}

TEST_F(LockPageTest, AnsweringNoForATextPageKeepsItsName) {
  WriteFile(f_.Page("a.txt"), "text");
  WriteFile(f_.Page("backup"), "older");
  ScriptedObserver observer({false});
  EXPECT_EQ(Lock(f_, "Plain", f_.Page("a.txt"), f_.Page("backup"), "pw", observer).status, TStatus::Declined);
  EXPECT_EQ(ReadFile(f_.Page("a.txt")), "text");
  EXPECT_EQ(ListNames(f_.pages.path()), "a.txt backup");
}

TEST_F(LockPageTest, AnsweringYesReplacesTheBackup) {
  WriteFile(f_.Page("page.html"), kPage);
  WriteFile(f_.Page("backup.html"), "older backup");
  ScriptedObserver observer({true});
  EXPECT_TRUE(Lock(f_, "Plain", f_.Page("page.html"), f_.Page("backup.html"), "pw", observer).ok());
  EXPECT_EQ(observer.asked.size(), 1u);
  EXPECT_EQ(ReadFile(f_.Page("backup.html")), kPage);
}

TEST_F(LockPageTest, ABackupThatCannotBeWrittenStopsBeforeTheTemplate) {
  WriteFile(f_.Page("page.html"), kPage);
  const std::string backup = f_.Page("no-such-folder/backup.html");
  const TLockResult result = Lock(f_, "Plain", f_.Page("page.html"), backup, "pw");
  EXPECT_EQ(result.status, TStatus::Failed);
  EXPECT_EQ(result.problem.message.text, messages::kCannotCopyToBackup);
  EXPECT_EQ(result.problem.message.arguments, (std::vector<std::string>{f_.Page("page.html"), backup}));
  EXPECT_FALSE(result.problem.reason.empty()) << "the system's reason";
  EXPECT_TRUE(result.further.empty());
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

TEST_F(LockPageTest, TheBackupCannotBeThePageItself) {
  WriteFile(f_.Page("page.html"), kPage);
  ScriptedObserver observer({true});
  const TLockResult result = Lock(f_, "Plain", f_.Page("page.html"), f_.Page("page.html"), "pw", observer);
  EXPECT_EQ(result.problem.message.text, messages::kBackupIsThePage);
  EXPECT_TRUE(observer.asked.empty());
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
}

TEST_F(LockPageTest, ABackupNamedLikeATemplateFileIsRefused) {
  WriteFile(f_.Page("page.html"), kPage);
  const TLockResult result = Lock(f_, "Plain", f_.Page("page.html"), f_.Page("zendrel-test.js"), "pw");
  EXPECT_EQ(ReadFile(f_.Page("page.html")), kPage);
  EXPECT_FALSE(Exists(f_.Page("zendrel-test.js")));
  EXPECT_EQ(result.problem.message.text, messages::kBackupInTemplate);
  EXPECT_NE(Told(result).find("would be replaced by the template file"), std::string::npos);
}

TEST_F(LockPageTest, EmptyTemplateNameOrPasswordIsRefusedUntouched) {
  WriteFile(f_.Page("page.html"), kPage);
  EXPECT_EQ(Told(Lock(f_, "", f_.Page("page.html"), f_.Page("b.html"), "pw")),
            " is not a template name.\nName a folder of the templates folder, without a path.\n");
  EXPECT_EQ(Told(Lock(f_, "Plain", f_.Page("page.html"), f_.Page("b.html"), "")),
            "A password is not entered\n");
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

// A template start page whose markers break the contract is refused before
// anything changes.
void ExpectWrongTemplate(LockFixture& f, const std::string& start_page) {
  f.AddTemplateFile("Bad", "index.html", start_page);
  WriteFile(f.Page("page.html"), kPage);
  const TLockResult result = Lock(f, "Bad", f.Page("page.html"), f.Page("backup.html"), "pw");
  EXPECT_EQ(result.status, TStatus::Failed);
  EXPECT_EQ(Told(result), "Wrong Template.\n");
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
  EXPECT_EQ(Told(Lock(f_, "Nowhere", f_.Page("page.html"), f_.Page("backup.html"), "pw")),
            "Template Nowhere not found:\n" + f_.TemplatesDir() + "Nowhere" + platform::PathSeparator() +
                "index.html does not exist.\n");
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}

TEST_F(LockPageTest, MarkersAtTheEdgesOfTheLimitAreAccepted) {
  const std::string start_page =
      std::string(29999, ' ') + "//Page Begin\r\n" + std::string(29985, ' ') + "//Page End";
  f_.AddTemplateFile("Edge", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(Lock(f_, "Edge", f_.Page("page.html"), f_.Page("backup.html"), "pw").ok());
  EXPECT_EQ(ReadFile(f_.Page("page.html")), Locked(start_page, ExpectedBlock(kPage, "pw", false)));
}

TEST_F(LockPageTest, AnEmptyPayloadAreaTakesTheBlockBetweenTheMarkerLines) {
  const std::string start_page = "a(\r\n//Page Begin\r\n//Page End\r\n";
  f_.AddTemplateFile("Empty", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(Lock(f_, "Empty", f_.Page("page.html"), f_.Page("backup.html"), "pw").ok());
  EXPECT_EQ(ReadFile(f_.Page("page.html")),
            "a(\r\n//Page Begin\r\n" + ExpectedBlock(kPage, "pw", false) + "//Page End\r\n");
}

// The block starts right after the line break that ends the marker's line,
// and its own lines end the same way: an LF template gives an LF block.
TEST_F(LockPageTest, AnLfTemplateGetsAnLfBlockRightAfterTheMarkerLine) {
  const std::string start_page = "a(\n//Page Begin\n'old',\n//Page End\n);\n";
  f_.AddTemplateFile("LF", "index.html", start_page);
  WriteFile(f_.Page("page.html"), kPage);
  ASSERT_TRUE(Lock(f_, "LF", f_.Page("page.html"), f_.Page("backup.html"), "pw").ok());
  const std::string block = ExpectedBlock(kPage, "pw", false, "\n");
  EXPECT_EQ(block.find('\r'), std::string::npos);
  EXPECT_EQ(ReadFile(f_.Page("page.html")), "a(\n//Page Begin\n" + block + "//Page End\n);\n");
}

// A strong LF template: format 2 with LF lines, which zendrel-unlock reads
// back.
TEST_F(LockPageTest, AStrongLfTemplateLocksAPageThatUnlocks) {
  f_.AddTemplateFile("StrongLF", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">\n<script>\n//Page Begin\n"
                     "'placeholder',\n//Page End\n</script>\n");
  WriteFile(f_.Page("page.html"), kPage);
  const TLockResult result = Lock(f_, "StrongLF", f_.Page("page.html"), f_.Page("backup.html"), "pw");
  ASSERT_TRUE(result.ok()) << Told(result);
  const std::string locked = ReadFile(f_.Page("page.html"));
  EXPECT_EQ(locked.find('\r'), std::string::npos);
  EXPECT_NE(locked.find("//Page Begin\n'ZENDREL-AES-GCM-2',\n'600000',\n"), std::string::npos);
  ASSERT_EQ(UnlockPage(f_.Page("page.html"), f_.Page("unlocked.html"), "pw").status, TStatus::Done);
  EXPECT_EQ(ReadFile(f_.Page("unlocked.html")), kPage);
}

// An unlock tells its observer how far it has read the locked page, up to
// the whole file, and stops between writes when asked: then no output and
// no temporary file are left.
TEST_F(LockPageTest, AnUnlockReportsProgressAndStopsWhenCancelled) {
  f_.AddTemplateFile("StrongLF", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">\n<script>\n//Page Begin\n"
                     "'placeholder',\n//Page End\n</script>\n");
  std::string page;
  for (int i = 0; page.size() < 600000; ++i) page += "<p>line " + std::to_string(i) + "</p>\n";
  WriteFile(f_.Page("page.html"), page);
  ASSERT_TRUE(Lock(f_, "StrongLF", f_.Page("page.html"), f_.Page("backup.html"), "pw").ok());
  const std::uint64_t locked_size = std::filesystem::file_size(f_.Page("page.html"));

  struct TCounting : TRunObserver {
    std::vector<TProgress> seen;
    std::size_t stop_after = SIZE_MAX;
    void Progress(const TProgress& progress) override { seen.push_back(progress); }
    bool Cancelled() override { return seen.size() >= stop_after; }
  };
  TUnlockKey key;
  key.password = TPassword("pw");

  TCounting whole;
  ASSERT_TRUE(UnlockPage(f_.Page("page.html"), f_.Page("whole.html"), key, &whole).ok());
  EXPECT_EQ(ReadFile(f_.Page("whole.html")), page);
  ASSERT_GT(whole.seen.size(), 1u);
  for (std::size_t i = 1; i < whole.seen.size(); ++i)
    EXPECT_GE(whole.seen[i].bytes_done, whole.seen[i - 1].bytes_done);
  EXPECT_EQ(whole.seen.back().bytes_done, locked_size);
  EXPECT_EQ(whole.seen.back().bytes_total, locked_size);

  TCounting stopping;
  stopping.stop_after = 1;
  EXPECT_EQ(UnlockPage(f_.Page("page.html"), f_.Page("stopped.html"), key, &stopping).status,
            TStatus::Cancelled);
  EXPECT_FALSE(std::filesystem::exists(f_.Page("stopped.html")));
  EXPECT_FALSE(std::filesystem::exists(f_.Page("stopped.html") + kUnlockTempSuffix));
}

#ifndef _WIN32
// Latin-1 bytes from a terminal in another charset: the strong lock refuses
// them before anything changes, saying why. (Windows converts the typed
// password from its code page.)
TEST_F(LockPageTest, AStrongTemplateRefusesAPasswordThatIsNotUtf8) {
  f_.AddTemplateFile("Strong", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">" + TemplateStartPage());
  WriteFile(f_.Page("page.html"), kPage);
  const TLockResult result = Lock(f_, "Strong", f_.Page("page.html"), f_.Page("backup.html"), "caf\xE9");
  EXPECT_EQ(result.status, TStatus::Failed);
  EXPECT_EQ(result.problem.message.text, messages::kPasswordNotUtf8);
  EXPECT_EQ(ListNames(f_.pages.path()), "page.html");
}
#endif

// A marker line that ends in anything but CR LF or LF is no template.
TEST_F(LockPageTest, AMarkerLineEndingOtherwiseIsAWrongTemplate) {
  for (const std::string start_page :
       {"//Page Begin XY\n//Page End\n", "//Page Begin\rXY\r//Page End\r", "//Page Begin//Page End\r\n"}) {
    SCOPED_TRACE(start_page);
    ExpectWrongTemplate(f_, start_page);
  }
}

TEST_F(LockPageTest, TemplateLinksAreNeitherFollowedNorCopied) {
  f_.AddTemplateFile("Plain", "img/a.gif", "GIF");
  const std::string folder = f_.TemplatesDir() + "Plain" + platform::PathSeparator();
  std::error_code no_links;
  std::filesystem::create_symlink(f_.Page("outside.txt"), folder + "passwd", no_links);
  if (no_links) GTEST_SKIP() << "this file system has no symbolic links: " << no_links.message();
  std::filesystem::create_directory_symlink(folder, folder + "img" + platform::PathSeparator() + "loop");
  WriteFile(f_.Page("outside.txt"), "secret");
  WriteFile(f_.Page("page.html"), kPage);
  ScriptedObserver observer;
  ASSERT_TRUE(Lock(f_, "Plain", f_.Page("page.html"), f_.Page("backup.html"), "pw", observer).ok());
  EXPECT_EQ(ListNames(f_.pages.path()), "backup.html img outside.txt page.html zendrel-test.js");
  EXPECT_EQ(ListNames(f_.Page("img")), "a.gif");
  ASSERT_EQ(observer.warnings.size(), 2u);
  for (const auto& warning : observer.warnings)
    EXPECT_NE(warning.find("is a link; it is neither followed nor copied"), std::string::npos);
}

// A lock stopped at each of the observer's checks in turn (between the
// block's pieces, before each template copy, before the page is replaced)
// changes nothing: the page keeps its bytes and its name, no temporary file
// stays, and the result says Cancelled without a message.
TEST_F(LockPageTest, ALockCancelledAtAnyCheckChangesNothing) {
  f_.AddTemplateFile("Plain", "img/a.gif", "GIF");
  f_.AddTemplateFile("Strong", "index.html",
                     "<meta name=\"zendrel-protection\" content=\"aes-256-gcm\">" + TemplateStartPage());
  const std::string page(200000, 'x');
  const std::pair<const char*, const char*> cases[] = {
      {"Plain", "big.html"}, {"Plain", "big.txt"}, {"Strong", "big.html"}};
  for (const auto& [name, page_name] : cases) {
    SCOPED_TRACE(std::string(name) + " " + page_name);
    auto prepare = [&, page_name = page_name] {
      std::filesystem::remove_all(f_.pages.path());
      std::filesystem::create_directories(f_.pages.path());
      WriteFile(f_.Page(page_name), page);
    };
    std::int64_t checks = 0;
    {
      prepare();
      ScriptedObserver observer;
      ASSERT_TRUE(Lock(f_, name, f_.Page(page_name), f_.Page("backup"), "pw", observer).ok());
      checks = observer.checks;
    }
    ASSERT_GE(checks, 5) << "the block is written in pieces, the template file by file";
    for (std::int64_t n = 1; n <= checks; ++n) {
      prepare();
      ScriptedObserver observer;
      observer.cancel_at = n;
      const TLockResult result = Lock(f_, name, f_.Page(page_name), f_.Page("backup"), "pw", observer);
      EXPECT_EQ(result.status, TStatus::Cancelled) << n;
      EXPECT_EQ(result.problem.message.text, nullptr) << n;
      EXPECT_TRUE(result.further.empty()) << n;
      EXPECT_EQ(ReadFile(f_.Page(page_name)), page) << n;
      const std::string names = ListNames(f_.pages.path());
      EXPECT_EQ(names.find("~temp~"), std::string::npos) << n << ": " << names;
      EXPECT_EQ(names.find("big.txt.html"), std::string::npos) << n << ": " << names;
    }
  }
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
    ScriptedObserver observer({true});
    platform::faults::ScopedFaultPlan count;
    ASSERT_TRUE(Lock(f_, "Plain", f_.Page(c.page), f_.Page("backup.html"), "pagekey", observer).ok());
    calls = count.TotalCalls();
  }
  ASSERT_GT(calls, 10);
  for (const auto how : {platform::faults::Failure::Before, platform::faults::Failure::Partway}) {
    for (std::int64_t n = 1; n <= calls; ++n) {
      prepare();
      ScriptedObserver observer({true});
      TLockResult result;
      platform::faults::Call fired;
      {
        platform::faults::ScopedFaultPlan plan(n, how);
        result = Lock(f_, "Plain", f_.Page(c.page), f_.Page("backup.html"), "pagekey", observer);
        ASSERT_TRUE(plan.Fired()) << n;
        fired = plan.FiredCall();
      }
      const std::string at = "call " + std::to_string(n) + " (kind " +
                             std::to_string(static_cast<int>(fired)) +
                             (how == platform::faults::Failure::Partway ? ", partway)" : ")");
      const std::string backup = Exists(f_.Page("backup.html")) ? ReadFile(f_.Page("backup.html")) : "<none>";
      EXPECT_TRUE(backup == kPage || backup == (c.old_backup ? "older backup" : "<none>")) << at;
      if (result.ok()) {
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
        if (!kept) {
          ASSERT_FALSE(result.further.empty()) << at << ": the failed rename back is told";
          EXPECT_EQ(result.further.back().message.text, messages::kCannotRename) << at;
        }
        EXPECT_EQ(result.status, TStatus::Failed) << at;
        EXPECT_NE(result.problem.message.text, nullptr) << at << ": a failure without a word";
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
