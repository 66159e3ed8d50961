// A strong site lock, checked independently: the test locks a generated
// site (same-named pages in two folders, a text page, assets) with a strong
// template into site_strong_cases/ in the working folder and lists every
// locked page with its source there; check_site_pages.js decrypts them with
// Node's crypto (the CTest step site_strong_node_check, after this test, on
// both builds).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/site_lock.h"
#include "engine/template/payload_area.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_bytes.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const std::string kCases = "site_strong_cases";

std::string StrongStartPage() {
  // The shipped templates' holder: a large page's block is cut into elements.
  return "<html><head><meta name=\"zendrel-protection\" content=\"aes-256-gcm\"></head><body>"
         "<script type=\"text/x-zendrel-page\" id=\"zendrel-page\">\r\nzendrelPage(\r\n//Page Begin\r\n'');\r\n"
         "//Page End\r\n</script></body></html>\r\n";
}

TEST(SiteStrong, EveryPageOfTheSiteIsWrittenForTheIndependentCheck) {
  struct TPage {
    const char* path;
    std::string bytes;
    const char* kind;
  };
  const TPage pages[] = {
      {"index.html", "<h1>home</h1>", "html"},
      {"blog/index.html", "<h1>blog</h1>", "html"},
      {"blog/2024/Post.HTM", RandomBytes(3 * 65536 + 17, 1), "html"},
      {"exactly-one-chunk.html", RandomBytes(65536, 2), "html"},
      {"large.html", RandomBytes(700 * 1024, 4), "html"},
      {"empty.html", "", "html"},
      {"notes/up.TXT", "plain text, upper-case name", "text"},
  };
  fs::remove_all(kCases);
  const std::string root =
      (fs::current_path() / kCases).string() + static_cast<char>(fs::path::preferred_separator);
  for (const auto& page : pages) WriteFile(root + "site/" + page.path, page.bytes);
  WriteFile(root + "site/blog/picture.png", RandomBytes(1000, 3));
  WriteFile(root + "Templates/Strong/index.html", StrongStartPage());
  WriteFile(root + "Templates/Strong/zendrel-unlock.js", "decoder();");

  const std::string password = "site password \xC3\xA9";
  TSiteRequest request;
  request.template_ = {"Strong", root + "Templates/Strong/", {}};
  request.source = root + "site";
  request.output = root + "out";
  // Its UTF-8 form given as such: a bare narrow string is in the system's code
  // page, which on Windows is not UTF-8.
  request.password = TPassword(password, password);
  request.include = {"*.html", "*.htm", "*.txt"};
  request.jobs = 2;
  TRunObserver quiet;
  const TSiteResult result = LockSite(request, quiet);
  ASSERT_TRUE(result.ok()) << (result.problem.message.text ? result.problem.message.text : "") << " "
                           << result.problem.reason;
  EXPECT_EQ(result.pages, std::size(pages));
  EXPECT_EQ(result.site_key.size(), 32u);

  std::ofstream cases(root + "cases.txt", std::ios::binary);
  cases << Hex(password) << '\t' << Hex(result.site_key) << '\n';
  for (const auto& page : pages) {
    const std::string locked = std::string(page.path) + (std::string(page.kind) == "text" ? ".html" : "");
    ASSERT_TRUE(Exists(root + "out/" + locked)) << locked;
    cases << "out/" << locked << '\t' << "site/" << page.path << '\t' << page.kind << '\n';
  }
  EXPECT_EQ(ReadFile(root + "out/blog/picture.png"), RandomBytes(1000, 3));
  EXPECT_NE(ReadFile(root + "out/large.html").find(kBlockElementCut), std::string::npos);
  EXPECT_EQ(ReadFile(root + "out/index.html").find(kBlockElementCut), std::string::npos);
}

}  // namespace
