// Batch mode end to end: the real program, a copy of it beside a real
// Templates folder, paths relative to the folder it runs in.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "tests/e2e_batch/program_runner.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"
#include "zendrel_version.h"

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
    WriteFile(install_ / "Templates/Empty/style.css", "no start page");
    WriteFile(install_ / "Templates/Far/index.html", std::string(30000, ' ') + TemplateStartPage());
    WriteFile(install_ / "Templates/One Line/index.html", "x(\r\n//Page Begin //Page End\r\n);\r\n");
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
#ifdef _WIN32
  ASSERT_EQ(run.messages.size(), 1u);
  const std::string head = "Quelto Zendrel " ZENDREL_VERSION "|Use these parameters:\n";
  EXPECT_EQ(run.messages[0].substr(0, head.size()), head);
#else
  // The Linux program is the terminal program: it says what is wrong.
  EXPECT_EQ(run.standard_error,
            "zendrel: the command line names no command: lock, site, or the four arguments\n"
            "Try 'zendrel --help'.\n");
#endif
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

// Every refusal comes before anything changes: exit code 1, the reason and
// "Locked page was not created", and the site folder exactly as it was.
struct Refusal {
  const char* name;
  const char* template_name;
  const char* backup;
  std::string password;
  // Prepares the site (the page is "page.html" unless told otherwise).
  std::function<void(const TempDir& site)> prepare;
  // The reason's first characters; "%p" is the page as given.
  std::string reason;
  const char* page = "page.html";
};

const std::string kMarkedPage = "<p>mine</p>\r\n//Page Begin\r\n//Page End\r\n";
// Its block pushes "//Page End" past the marker search limit, as a real
// page's block does.
const std::string kLockedPage = TemplateStartPage("'64',\r\n'" + std::string(40000, 'Z') + "');\r\n");

void PlainPage(const TempDir& site) { WriteFile(site / "page.html", kMarkedPage); }

class BatchRefusal : public BatchE2E, public ::testing::WithParamInterface<Refusal> {};

TEST_P(BatchRefusal, ChangesNothing) {
  const Refusal& r = GetParam();
  r.prepare(site_);
  const std::string before = ListNames(site_.path());
  const std::string page = site_ / r.page;
  const bool regular = std::filesystem::is_regular_file(page);
  const auto size = regular ? std::filesystem::file_size(page) : 0;
  const std::string bytes = regular && size < (1u << 20) ? ReadFile(page) : "";
  const ProgramRun run =
      RunProgram(program_, {r.template_name, r.page, r.backup, r.password}, site_.path(), true);
  EXPECT_EQ(run.exit_code, 1);
  ASSERT_EQ(run.messages.size(), 2u) << (run.messages.empty() ? "" : run.messages[0]);
  std::string reason = r.reason;
  if (const auto at = reason.find("%p"); at != std::string::npos) reason.replace(at, 2, r.page);
  EXPECT_EQ(run.messages[0].substr(0, reason.size() + 6), "Error|" + reason);
  EXPECT_EQ(run.messages[1], "Error|Locked page was not created");
  EXPECT_EQ(ListNames(site_.path()), before);
  if (regular) {
    EXPECT_EQ(std::filesystem::file_size(page), size);
    if (size < (1u << 20)) {
      EXPECT_EQ(ReadFile(page), bytes);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, BatchRefusal,
    ::testing::Values(
        Refusal{"DotTemplate", ".", "b.html", "pw", PlainPage, ". is not a template name."},
        Refusal{"DotDotTemplate", "..", "b.html", "pw", PlainPage, ".. is not a template name."},
        Refusal{"TemplateWithAPath", "Templates/Source Hide", "b.html", "pw", PlainPage,
                "Templates/Source Hide is not a template name."},
        Refusal{"MisspelledTemplate", "Source Hyde", "b.html", "pw", PlainPage,
                "Template Source Hyde not found:"},
        Refusal{"NoStartPage", "Empty", "b.html", "pw", PlainPage, "Template Empty not found:"},
        Refusal{"MarkersPastTheLimit", "Far", "b.html", "pw", PlainPage, "Wrong Template."},
        Refusal{"MarkersOnOneLine", "One Line", "b.html", "pw", PlainPage, "Wrong Template."},
        Refusal{"PageIsAFolder", "Source Hide", "b.html", "pw",
                [](const TempDir& site) { std::filesystem::create_directory(site / "dir.html"); },
                "The page %p is not a regular file and cannot be locked.", "dir.html"},
        Refusal{
            "ZeroBytes", "Source Hide", "b.html", "pw",
            [](const TempDir& site) { WriteFile(site / "page.html", std::string("\xFF\xFE<\0p\0>\0", 8)); },
            "The page %p contains zero bytes (a UTF-16 or binary file?) and cannot be locked with this "
            "template."},
        Refusal{"FiveGiBSparsePage", "Source Hide", "b.html", "pw",
                [](const TempDir& site) {
                  WriteFile(site / "page.html", "<p>start</p>");
                  std::filesystem::resize_file(site / "page.html", 5ull << 30);
                },
                "The page %p is too large to be locked with this template"},
        Refusal{"PasswordOf256", "Source Hide", "b.html", std::string(256, 'k'), PlainPage,
                "With this template a password whose length is a multiple of 256"},
        Refusal{"BackupIsThePage", "Source Hide", "page.html", "pw", PlainPage,
                "Backup file page.html cannot be the page page.html"},
        Refusal{"LockedPageOverItsBackup", "Source Hide", "b.html", "pw",
                [](const TempDir& site) {
                  WriteFile(site / "page.html", kLockedPage);
                  WriteFile(site / "b.html", "the original");
                },
                "The page %p is already a locked page, and backup file b.html"},
        Refusal{"AnotherLockOrAnInterruptedOne", "Source Hide", "b.html", "pw",
                [](const TempDir& site) {
                  PlainPage(site);
                  WriteFile(site / "page.html~temp~", "a lock's half-written page");
                },
                "The temporary file page.html~temp~ exists: another lock of this page may be running"}),
    [](const auto& info) { return std::string(info.param.name); });

// A page of several hundred MiB locks with memory bounded by a constant,
// in the 32-bit build too.
TEST_F(BatchE2E, ALargePageLocksInBoundedMemory) {
  const std::uint64_t kPageSize = 300u << 20;
  {
    std::string chunk;
    while (chunk.size() < (1u << 20)) chunk += "<p>The quick brown fox jumps over the lazy dog.</p>\r\n";
    chunk.resize(1u << 20);
    std::FILE* out = std::fopen((site_ / "big.html").c_str(), "wb");
    ASSERT_NE(out, nullptr);
    for (std::uint64_t i = 0; i < kPageSize >> 20; ++i) std::fwrite(chunk.data(), 1, chunk.size(), out);
    std::fclose(out);
  }
  const ProgramRun run =
      RunProgram(program_, {"Source Hide", "big.html", "big_original.html", "pagekey"}, site_.path());
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_TRUE(run.messages.empty()) << run.messages.at(0);
  EXPECT_EQ(std::filesystem::file_size(site_ / "big_original.html"), kPageSize);
  EXPECT_GT(std::filesystem::file_size(site_ / "big.html"), kPageSize) << "the whole page was encoded";
  ASSERT_GT(run.peak_memory, 0u) << "the system did not report the peak memory";
  std::printf("peak memory of a lock of a 300 MiB page: %.1f MiB\n", run.peak_memory / 1048576.0);
  EXPECT_LT(run.peak_memory, 64u << 20) << "peak memory grew with the page";
}

}  // namespace
