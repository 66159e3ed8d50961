// Locking a whole site: a generated tree of real files, locked into a new
// folder, and every way a site lock is refused or stopped.
#include "engine/site_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "engine/page_unlock.h"
#include "engine/site/text_runs.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

const char kPassword[] = "site password";

// Every entry under `root`: its path with "/" and its bytes, "<folder>" or
// "<link>". Links are not followed.
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(root)) return tree;
  if (!fs::is_directory(root)) return {{"", ReadFile(root)}};
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string relative = fs::relative(it->path(), root).generic_string();
    if (it->is_symlink())
      tree[relative] = "<link>";
    else if (it->is_directory())
      tree[relative] = "<folder>";
    else
      tree[relative] = ReadFile(it->path().string());
  }
  return tree;
}

std::string Names(const std::map<std::string, std::string>& tree) {
  std::string names;
  for (const auto& [name, bytes] : tree) names += (names.empty() ? "" : " ") + name;
  return names;
}

class TRecordingObserver : public TRunObserver {
 public:
  void Warn(const TLockMessage& warning) override { warnings.push_back(warning); }
  void Progress(const TProgress& p) override {
    EXPECT_LE(p.pages_done, p.pages_total);
    EXPECT_LE(p.bytes_done, p.bytes_total);
    last = {p.pages_done, p.pages_total, p.bytes_done, p.bytes_total};
    ++progress_calls;
  }
  bool Cancelled() override { return cancel && cancel(); }

  std::vector<TLockMessage> warnings;
  std::tuple<std::size_t, std::size_t, std::uint64_t, std::uint64_t> last{};
  int progress_calls = 0;
  std::function<bool()> cancel;
};

// A source site, a template and an output path in one temporary folder.
struct TSiteFixture {
  TSiteFixture() {
    WriteFile(root / "Templates/Plain/index.html", TemplateStartPage());
    WriteFile(root / "Templates/Plain/zendrel-extra.css", "body{}");
    WriteFile(root / "Templates/Plain/zendrel/unlock.js", "unlock();");
    request.template_ = {"Plain", root / "Templates/Plain/", {}};
    request.source = root / "site";
    request.output = root / "out";
    request.password = kPassword;
  }
  void Add(const std::string& relative, const std::string& bytes) {
    WriteFile(root / ("site/" + relative), bytes);
  }
  std::string Out(const std::string& relative) const { return root / ("out/" + relative); }
  TSiteResult Lock() { return LockSite(request, observer); }

  TempDir root;
  TSiteRequest request;
  TRecordingObserver observer;
};

// The page's own bytes, read back from its locked page by the unlock side.
std::string Unlocked(const std::string& locked, const std::string& password = kPassword) {
  TempDir scratch;
  const TUnlockResult result = UnlockPage(locked, scratch / "page", password);
  EXPECT_EQ(result.status, TStatus::Done) << locked << ": " << MessageText(result.problem.message);
  return result.status == TStatus::Done ? ReadFile(scratch / "page") : std::string();
}

const std::string kPicture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

void AddGeneratedSite(TSiteFixture& f) {
  f.Add("index.html", "<h1>home</h1>");
  f.Add("about.HTM", "<p>about</p>");
  f.Add("style.css", "h1{color:red}");
  f.Add("img/logo.png", kPicture);
  f.Add("blog/index.html", "<h1>blog</h1>");
  f.Add("blog/2024/Post.Html", "<p>post</p>");
  f.Add("blog/2024/notes.txt", "plain notes");
  f.Add(".htaccess", "Options -Indexes");
}

TEST(LockSite, LocksEveryPageCopiesWhatPagesNeedAndPutsTheTemplateBesideEachPage) {
  TSiteFixture f;
  AddGeneratedSite(f);
  const auto source_before = Tree(f.request.source);

  const TSiteResult result = f.Lock();

  ASSERT_TRUE(result.ok()) << (result.problem.message.text ? result.problem.message.text : "") << " "
                           << result.problem.reason;
  EXPECT_EQ(Names(Tree(f.request.output)),
            "about.HTM blog blog/2024 blog/2024/Post.Html blog/2024/zendrel "
            "blog/2024/zendrel-extra.css blog/2024/zendrel/unlock.js blog/index.html blog/zendrel "
            "blog/zendrel-extra.css blog/zendrel/unlock.js img img/logo.png index.html style.css zendrel "
            "zendrel-extra.css zendrel/unlock.js");
  // Copies are byte for byte; pages are locked and give back their bytes.
  const auto source = Tree(f.request.source);
  for (const char* copy : {"style.css", "img/logo.png"})
    EXPECT_EQ(ReadFile(f.Out(copy)), source.at(copy)) << copy;
  for (const char* page : {"index.html", "about.HTM", "blog/index.html", "blog/2024/Post.Html"}) {
    EXPECT_NE(ReadFile(f.Out(page)), source.at(page)) << page;
    EXPECT_EQ(Unlocked(f.Out(page)), source.at(page)) << page;
  }
  EXPECT_EQ(ReadFile(f.Out("blog/zendrel/unlock.js")), "unlock();");
  EXPECT_EQ(Tree(f.request.source), source_before) << "the source is only read";
  EXPECT_FALSE(Exists(f.request.output + kSiteTemporarySuffix));

  EXPECT_EQ(result.pages, 4u);
  EXPECT_EQ(result.copies, 2u);
  ASSERT_EQ(result.left_out.size(), 2u) << "a dotfile and a text file that is no page";
  EXPECT_EQ(result.left_out[0].relative, ".htaccess");
  EXPECT_EQ(result.left_out[1].relative, "blog/2024/notes.txt");
  EXPECT_EQ(result.bytes, 13u + 12 + 13 + 16 + 13 + 11);
  EXPECT_EQ(result.top_page, "index.html");
  EXPECT_EQ(result.output, f.request.output);
  EXPECT_EQ(result.site_key, "") << "an XOR template has no site key";
  EXPECT_EQ(f.observer.last, std::make_tuple(std::size_t{4}, std::size_t{4}, result.bytes, result.bytes));
  EXPECT_TRUE(f.observer.warnings.empty());
}

TEST(LockSite, ManyJobsWriteTheSameSite) {
  TSiteFixture one, many;
  for (TSiteFixture* f : {&one, &many}) {
    for (int i = 0; i < 12; ++i)
      f->Add("f" + std::to_string(i % 3) + "/p" + std::to_string(i) + ".html",
             std::string(5000 + i * 977, 'a' + i));
    f->Add("f1/asset.bin", kPicture);
  }
  many.request.jobs = 4;
  ASSERT_TRUE(one.Lock().ok());
  ASSERT_TRUE(many.Lock().ok());
  const auto expected = Tree(one.request.output);
  EXPECT_EQ(Tree(many.request.output), expected);
  EXPECT_EQ(std::get<0>(many.observer.last), 12u);
}

TEST(LockSite, TextPagesInAnyCaseAreLockedIntoHtmlNames) {
  TSiteFixture f;
  f.Add("up.TXT", "upper case notes");
  f.Add("sub/low.txt", "lower case notes");
  f.Add("robots.txt.bak", "not a text page");
  f.request.include = {"*.txt", "*.TXT"};

  ASSERT_TRUE(f.Lock().ok());

  EXPECT_EQ(Names(Tree(f.request.output)),
            "sub sub/low.txt.html sub/zendrel sub/zendrel-extra.css sub/zendrel/unlock.js "
            "up.TXT.html zendrel zendrel-extra.css zendrel/unlock.js");
  EXPECT_NE(Unlocked(f.Out("up.TXT.html")).find("upper case notes"), std::string::npos);
}

TEST(LockSite, IncludeAndExcludePatternsPickThePages) {
  TSiteFixture f;
  f.Add("a.html", "a");
  f.Add("drafts/b.html", "b");
  f.Add("c.shtml", "c");
  f.request.include = {"*.html", "*.shtml"};
  f.request.exclude = {"drafts/*"};

  ASSERT_TRUE(f.Lock().ok());

  EXPECT_FALSE(Exists(f.Out("drafts"))) << "excluded: left out entirely";
  EXPECT_EQ(Unlocked(f.Out("c.shtml")), "c");
  EXPECT_FALSE(Exists(f.Out("drafts/zendrel-extra.css")));
}

TEST(LockSite, RefusesBeforeWritingAnything) {
  struct TCase {
    const char* name;
    std::function<void(TSiteFixture&)> setup;
    const char* message;
  };
  const TCase cases[] = {
      {"a template file on a site file", [](TSiteFixture& f) { f.Add("blog/zendrel-extra.css", "mine"); },
       messages::kSiteClashes},
      {"a template folder on a site file",
       [](TSiteFixture& f) {
         f.Add("blog/zendrel", "a file");
         f.request.copy = {"zendrel"};
       },
       messages::kSiteClashes},
      {"a site folder on a template file", [](TSiteFixture& f) { f.Add("zendrel-extra.css/x.css", "x"); },
       messages::kSiteClashes},
      {"a text page on a site file",
       [](TSiteFixture& f) {
         f.Add("n.txt", "n");
         f.Add("n.txt.html", "n");
         f.request.include = {"*.txt"};
         f.request.copy = {"n.txt.html"};
       },
       messages::kSiteClashes},
      {"an output folder that is not empty", [](TSiteFixture& f) { WriteFile(f.Out("old.html"), "old"); },
       messages::kSiteOutputNotEmpty},
      {"an output that is a file", [](TSiteFixture& f) { WriteFile(f.request.output, "a file"); },
       messages::kSiteOutputNotAFolder},
      {"an output inside the source", [](TSiteFixture& f) { f.request.output = f.root / "site/locked"; },
       messages::kSiteFoldersOverlap},
      {"an output that is the source", [](TSiteFixture& f) { f.request.output = f.request.source + "/"; },
       messages::kSiteFoldersOverlap},
      {"a source inside the output, forced",
       [](TSiteFixture& f) {
         f.request.output = f.root.path();
         f.request.force = true;
       },
       messages::kSiteFoldersOverlap},
      {"a source inside the output's temporary folder",
       [](TSiteFixture& f) {
         fs::rename(f.request.source, f.root / "out~temp~");
         f.request.source = f.root / "out~temp~";
       },
       messages::kSiteFoldersOverlap},
      {"no page", [](TSiteFixture& f) { f.request.include = {"*.nothing"}; }, messages::kSiteNoPages},
      {"a missing source", [](TSiteFixture& f) { f.request.source = f.root / "nowhere"; },
       messages::kSiteSourceNotAFolder},
      {"a source that is a file", [](TSiteFixture& f) { f.request.source = f.root / "site/index.html"; },
       messages::kSiteSourceNotAFolder},
      {"an output folder whose parent is missing",
       [](TSiteFixture& f) { f.request.output = f.root / "no/out"; }, messages::kCannotCreateFolder},
      {"an empty password", [](TSiteFixture& f) { f.request.password = ""; }, messages::kPasswordNotEntered},
      {"a template without markers",
       [](TSiteFixture& f) { WriteFile(f.request.template_.folder + "index.html", "<html></html>"); },
       messages::kWrongTemplate},
      {"a missing template", [](TSiteFixture& f) { f.request.template_.folder = f.root / "Templates/None/"; },
       messages::kTemplateNotFound},
      // The XOR block's data would end at the zero.
      {"a page with a zero byte", [](TSiteFixture& f) { f.Add("blog/z.html", std::string("a\0b", 3)); },
       messages::kPageHasZeroBytes},
      {"a page with a zero byte far in",
       [](TSiteFixture& f) { f.Add("z.html", std::string(200000, 'a') + '\0' + "b"); },
       messages::kPageHasZeroBytes},
  };
  for (const auto& c : cases) {
    TSiteFixture f;
    AddGeneratedSite(f);
    c.setup(f);
    const auto source_before = Tree(f.request.source);
    const auto output_before = Tree(f.request.output);
    const auto root_before = Names(Tree(f.root.path()));

    const TSiteResult result = f.Lock();

    EXPECT_EQ(result.status, TStatus::Failed) << c.name;
    EXPECT_EQ(result.problem.message.text, c.message)
        << c.name << ": " << (result.problem.message.text ? result.problem.message.text : "");
    EXPECT_EQ(Names(Tree(f.root.path())), root_before) << c.name << ": nothing is written";
    EXPECT_EQ(Tree(f.request.source), source_before) << c.name;
    EXPECT_EQ(Tree(f.request.output), output_before) << c.name;
  }
}

TEST(LockSite, EveryClashIsNamed) {
  TSiteFixture f;
  f.Add("index.html", "home");
  f.Add("zendrel-extra.css", "mine");
  f.Add("blog/index.html", "blog");
  f.Add("blog/zendrel/unlock.js", "mine too");
  f.Add("assets/zendrel-extra.css", "no page here: no clash");

  const TSiteResult result = f.Lock();

  ASSERT_EQ(result.problem.message.text, messages::kSiteClashes);
  ASSERT_EQ(result.problem.message.arguments.size(), 1u);
  const std::string& list = result.problem.message.arguments[0];
  EXPECT_NE(list.find(f.root / "site/zendrel-extra.css"), std::string::npos) << list;
  EXPECT_NE(list.find(f.root / "site/blog/zendrel/unlock.js"), std::string::npos) << list;
  EXPECT_EQ(list.find("assets"), std::string::npos) << list;
}

TEST(LockSite, AnEmptyOutputFolderIsFilledAndForceReplacesAFullOne) {
  for (const bool full : {false, true}) {
    TSiteFixture f;
    AddGeneratedSite(f);
    fs::create_directories(f.request.output);
    if (full) WriteFile(f.Out("old/stale.html"), "stale");
    f.request.force = full;

    ASSERT_TRUE(f.Lock().ok()) << full;

    EXPECT_FALSE(Exists(f.Out("old"))) << full;
    EXPECT_TRUE(Exists(f.Out("blog/zendrel-extra.css"))) << full;
    EXPECT_EQ(Names(Tree(f.root.path())).find(kSiteTemporarySuffix), std::string::npos) << full;
  }
}

TEST(LockSite, ALeftoverTemporaryFolderIsNamedAndRemoved) {
  TSiteFixture f;
  AddGeneratedSite(f);
  const std::string leftover = f.request.output + kSiteTemporarySuffix;
  WriteFile(leftover + "/half.html", "half");

  ASSERT_TRUE(f.Lock().ok());

  EXPECT_FALSE(Exists(leftover));
  ASSERT_EQ(f.observer.warnings.size(), 1u);
  EXPECT_EQ(f.observer.warnings[0].text, messages::kSiteLeftoverRemoved);
  EXPECT_EQ(f.observer.warnings[0].arguments, std::vector<std::string>{leftover});
}

TEST(LockSite, ACancelledOrFailedLockLeavesTheOutputAsItWas) {
  struct TCase {
    const char* name;
    std::function<bool()> cancel;
    platform::faults::Call failing;
    TStatus status;
    std::int64_t nth = 2;
  };
  const TCase cases[] = {
      {"cancelled at once", [] { return true; }, platform::faults::Call::kCount, TStatus::Cancelled},
      {"cancelled once the files are written", [n = 0]() mutable { return ++n > 1; },
       platform::faults::Call::kCount, TStatus::Cancelled},
      {"a copy fails", nullptr, platform::faults::Call::Copy, TStatus::Failed},
      {"a page cannot be created", nullptr, platform::faults::Call::CreateExclusive, TStatus::Failed},
      {"a page cannot be written", nullptr, platform::faults::Call::Write, TStatus::Failed},
      {"a folder cannot be made", nullptr, platform::faults::Call::MakeDirectory, TStatus::Failed},
      // The pages are flushed once, as a tree, before the rename; then the
      // folder that holds the rename.
      {"the finished tree cannot be flushed", nullptr, platform::faults::Call::Flush, TStatus::Failed, 1},
      {"the rename cannot be flushed", nullptr, platform::faults::Call::Flush, TStatus::Failed, 2},
  };
  for (const bool old_output : {false, true}) {
    for (const auto& c : cases) {
      TSiteFixture f;
      AddGeneratedSite(f);
      if (old_output) WriteFile(f.Out("old.html"), "the old site");
      f.request.force = old_output;
      f.observer.cancel = c.cancel;
      const auto output_before = Tree(f.request.output);

      TSiteResult result;
      if (c.failing == platform::faults::Call::kCount) {
        result = f.Lock();
      } else {
        platform::faults::ScopedFaultPlan plan(c.failing, c.nth);
        result = f.Lock();
        EXPECT_TRUE(plan.Fired()) << c.name;
      }

      EXPECT_EQ(result.status, c.status) << c.name;
      EXPECT_NE(result.problem.message.text, nullptr) << c.name;
      EXPECT_EQ(Tree(f.request.output), output_before) << c.name << (old_output ? ", old output" : "");
      EXPECT_FALSE(Exists(f.request.output + kSiteTemporarySuffix)) << c.name;
    }
  }
}

// The rename that puts the site in place cannot be flushed, and putting the
// old output back fails too: no success is reported, the old output is not
// removed, and the problem says where the new site and the old output are.
TEST(LockSite, ASwapThatCanNeitherLastNorBeUndoneFailsAndSaysWhereBothAre) {
  for (const bool old_output : {false, true}) {
    SCOPED_TRACE(old_output ? "old output" : "new output");
    const auto prepare = [old_output](TSiteFixture& f) {
      AddGeneratedSite(f);
      if (old_output) WriteFile(f.Out("old.html"), "the old site");
      f.request.force = old_output;
    };
    // The site's last folder rename puts it in place; the next one would undo it.
    std::int64_t renames = 0;
    {
      TSiteFixture counted;
      prepare(counted);
      platform::faults::ScopedFaultPlan count;
      ASSERT_TRUE(counted.Lock().ok());
      renames = count.Calls(platform::faults::Call::Rename);
    }
    TSiteFixture f;
    prepare(f);
    const std::string temporary = f.request.output + kSiteTemporarySuffix;

    TSiteResult result;
    {
      platform::faults::ScopedFaultPlan plan(platform::faults::Call::Flush, 2);
      plan.AlsoFail(platform::faults::Call::Rename, renames + 1);
      result = f.Lock();
      EXPECT_EQ(plan.Calls(platform::faults::Call::Rename), renames + 1);
    }

    EXPECT_EQ(result.status, TStatus::Failed);
    EXPECT_FALSE(result.problem.reason.empty()) << "the flush's reason";
    EXPECT_EQ(Unlocked(f.Out("blog/index.html")), "<h1>blog</h1>") << "the new site is in the output's place";
    if (old_output) {
      EXPECT_EQ(result.cause(), messages::kSitePlacedNotFlushedOldKept);
      EXPECT_EQ(result.problem.message.arguments, (std::vector<std::string>{f.request.output, temporary}));
      EXPECT_EQ(ReadFile(temporary + "/old.html"), "the old site");
    } else {
      EXPECT_EQ(result.cause(), messages::kSitePlacedNotFlushed);
      EXPECT_EQ(result.problem.message.arguments, std::vector<std::string>{f.request.output});
      EXPECT_FALSE(Exists(temporary));
    }
  }
}

TEST(LockSite, LinksAreNamedAndNeitherFollowedNorCopied) {
  TSiteFixture f;
  AddGeneratedSite(f);
  WriteFile(f.root / "elsewhere/secret.html", "secret");
  std::error_code no_links;
  fs::create_directory_symlink(f.root / "elsewhere", f.root / "site/linked", no_links);
  if (!no_links)
    fs::create_symlink(f.root / "elsewhere/secret.html", f.root / "site/blog/secret.html", no_links);
  if (!no_links)
    fs::create_symlink(f.root / "elsewhere/secret.html", f.root / "Templates/Plain/l.css", no_links);
  if (no_links) GTEST_SKIP() << "this file system has no symbolic links: " << no_links.message();

  ASSERT_TRUE(f.Lock().ok());

  EXPECT_FALSE(Exists(f.Out("linked")));
  EXPECT_FALSE(Exists(f.Out("blog/secret.html")));
  EXPECT_FALSE(Exists(f.Out("l.css")));
  std::map<std::string, const char*> named;
  for (const auto& w : f.observer.warnings) named[w.arguments.at(0)] = w.text;
  EXPECT_EQ(named.size(), 3u);
  EXPECT_EQ(named[f.root / "site/linked"], messages::kSiteLinkSkipped);
  EXPECT_EQ(named[f.root / "site/blog/secret.html"], messages::kSiteLinkSkipped);
  EXPECT_EQ(named[f.root / "Templates/Plain/l.css"], messages::kTemplateLinkSkipped);
}

// Locked pages, copies and folders are readable by no more people than the
// site's own.
TEST(LockSite, EveryFileAndFolderKeepsItsPermissionBits) {
  if (platform::PathSeparator() != '/') GTEST_SKIP() << "Windows files take their folder's access rules";
  using fs::perms;
  struct TCase {
    const char* path;
    perms mode;
  };
  const TCase cases[] = {
      {"private.html", perms::owner_read | perms::owner_write},
      {"read-only.html", perms::owner_read},
      {"group.css", perms::owner_read | perms::owner_write | perms::group_read},
      {"team/page.html", perms::owner_read | perms::owner_write | perms::group_read | perms::group_write},
      {"team", perms::owner_all | perms::group_read | perms::group_exec},
      {"", perms::owner_all},
  };
  TSiteFixture f;
  for (const auto& c : cases)
    if (c.path[0] && std::string(c.path).find('.') != std::string::npos) f.Add(c.path, "bytes");
  for (const auto& c : cases) fs::permissions(f.root / ("site/" + std::string(c.path)), c.mode);

  ASSERT_TRUE(f.Lock().ok());

  for (const auto& c : cases)
    EXPECT_EQ(fs::status(f.Out(c.path)).permissions() & perms::all, c.mode) << "'" << c.path << "'";
}

TEST(LockSite, TheTopPageIsTheIndexWhenThereIsOneAndNoneElse) {
  struct TCase {
    std::vector<std::string> pages;
    const char* top;
  };
  const TCase cases[] = {
      {{"b.html", "INDEX.HTML", "a.html"}, "INDEX.HTML"},
      {{"b.html", "index.htm"}, "index.htm"},
      {{"b.html", "a.htm"}, ""},
      {{"sub/index.html"}, ""},
  };
  for (const auto& c : cases) {
    TSiteFixture f;
    for (const auto& page : c.pages) f.Add(page, "p");
    const TSiteResult result = f.Lock();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.top_page, c.top) << c.pages[0];
  }
}

// A page's text as generators copy it beside the page: the same words,
// as JSON, as escaped XML, as a markdown source, with markup in between.
const char kSentence[] = "The quick zendrel fox jumps over the lazy dog near the river bank today";
// 14 words: 7 runs of 8.
constexpr std::size_t kSentenceRuns = 7;

// True when some file under `root` holds `text` as it is.
std::string FilesHolding(const std::string& root, const std::string& text) {
  std::string found;
  for (const auto& [name, bytes] : Tree(root))
    if (bytes.find(text) != std::string::npos) found += name + " ";
  return found;
}

TEST(LockSite, GeneratorOutputLeaksNoPageTextOrNamesEachLeak) {
  const std::string sentence = kSentence;
  const std::string page = "<html><body><h1>Home</h1><p>" + sentence + ".</p></body></html>";
  struct TCase {
    const char* generator;
    std::vector<std::pair<std::string, std::string>> files;
    // Copied on purpose; then each of `leaks` is named, with its runs.
    std::vector<std::string> copy;
    std::vector<std::pair<std::string, std::size_t>> leaks;
  };
  const std::string json_text =
      "{\"docs\":[{\"location\":\"\",\"text\":\"<p>" + sentence + ".<\\/p>\\n\",\"title\":\"Home\"}]}";
  const TCase cases[] = {
      {"Sphinx",
       {{"_sources/index.rst.txt", "Home\n====\n\n" + sentence + ".\n"},
        {"searchindex.js",
         "Search.setIndex({\"terms\":{\"bank\":0,\"dog\":0,\"fox\":0},\"titles\":[\"Home\"]})"},
        {"_static/basic.css", "body{}"}},
       {"searchindex.js", "_sources/*"},
       // The source holds the heading too, as the page does: one run more.
       {{"searchindex.js", 0}, {"_sources/index.rst.txt", kSentenceRuns + 1}}},
      {"MkDocs",
       {{"search/search_index.json", json_text}, {"assets/app.js", "init();"}},
       {"search/search_index.json"},
       {{"search/search_index.json", kSentenceRuns}}},
      {"Hugo",
       {{"index.xml",
         "<rss><item><description>&lt;p&gt;" + sentence + "&lt;/p&gt;</description></item></rss>"},
        {"sitemap.xml", "<urlset><url><loc>/</loc></url></urlset>"}},
       {"index.xml"},
       {{"index.xml", kSentenceRuns}}},
      {"a script the allow-list lets through",
       {{"assets/docs-data.js", "var docs = [{title: 'Home', body: '" + sentence + "'}];"}},
       {},
       {{"assets/docs-data.js", kSentenceRuns}}},
      {"git, editors and sources",
       {{".git/HEAD", "ref: refs/heads/main"},
        {".git/objects/ab/cdef", page},
        {"index.html~", page},
        {".index.html.swp", page},
        {".DS_Store", sentence},
        {"index.md", "# Home\n\n" + sentence + "\n"},
        {".env", "SECRET=1"},
        {"notes.txt", sentence},
        {"docs.pdf", sentence}},
       {},
       {}},
  };
  for (const auto& c : cases) {
    for (const bool copied : {false, true}) {
      SCOPED_TRACE(std::string(c.generator) + (copied ? ", copied on purpose" : ""));
      TSiteFixture f;
      f.Add("index.html", page);
      for (const auto& [path, bytes] : c.files) f.Add(path, bytes);
      if (copied) f.request.copy = c.copy;

      const TSiteResult result = f.Lock();

      ASSERT_TRUE(result.ok()) << (result.problem.message.text ? result.problem.message.text : "");
      std::vector<std::pair<std::string, std::size_t>> named;
      for (const auto& leak : result.leaks) named.emplace_back(leak.path, leak.runs);
      if (copied || c.copy.empty()) {
        EXPECT_EQ(named, c.leaks);
      } else {
        EXPECT_TRUE(named.empty());
        EXPECT_EQ(FilesHolding(f.request.output, "quick zendrel fox"), "");
        EXPECT_EQ(FilesHolding(f.request.output, "fox jumps over"), "");
      }

      // A strict run names the same leaks, and then leaves no output.
      TSiteFixture strict;
      strict.Add("index.html", page);
      for (const auto& [path, bytes] : c.files) strict.Add(path, bytes);
      strict.request.copy = f.request.copy;
      strict.request.strict = true;
      const TSiteResult strict_result = strict.Lock();
      std::vector<std::pair<std::string, std::size_t>> strict_named;
      for (const auto& leak : strict_result.leaks) strict_named.emplace_back(leak.path, leak.runs);
      EXPECT_EQ(strict_named, named);
      EXPECT_EQ(strict_result.ok(), named.empty());
      EXPECT_EQ(Exists(strict.request.output), named.empty());
      EXPECT_FALSE(Exists(strict.request.output + kSiteTemporarySuffix));
    }
  }
}

// Pages of more runs than are kept (a sample) locked by several jobs, in no
// fixed order: the leaks and their counts are those of a dry run, which
// reads the pages one after another.
TEST(LockSite, ManyJobsNameTheSameLeaksAsADryRun) {
  const auto word = [](int i) { return "w" + std::to_string(i) + " "; };
  TSiteFixture f;
  constexpr int kPages = 12, kWords = static_cast<int>(kTextRunsKept) / 4;
  for (int p = 0; p < kPages; ++p) {
    std::string page = "<p>";
    for (int i = 0; i < kWords; ++i) page += word(p * kWords + i);
    f.Add("f" + std::to_string(p % 3) + "/p" + std::to_string(p) + ".html", page + "</p>");
  }
  std::string excerpt;
  for (int i = kWords / 2; i < 3 * kWords; ++i) excerpt += word(i);
  f.Add("f1/data.js", excerpt);
  f.Add("f2/other.js", "var a = 1;");
  f.request.jobs = 4;
  f.request.dry_run = true;
  const TSiteResult dry = f.Lock();
  f.request.dry_run = false;

  const TSiteResult locked = f.Lock();

  ASSERT_TRUE(locked.ok());
  ASSERT_EQ(dry.leaks.size(), 1u);
  EXPECT_GT(dry.leaks[0].runs, 0u);
  ASSERT_EQ(locked.leaks.size(), 1u);
  EXPECT_EQ(locked.leaks[0].path, dry.leaks[0].path);
  EXPECT_EQ(locked.leaks[0].runs, dry.leaks[0].runs);
}

// Each page is read once: the leak check searches for the bytes the page
// was locked from, even when the page changes during the run. Each time the
// run asks the observer whether to stop, the page takes the next of several
// texts (a whole file renamed over it: a read sees one text whole); each
// copy holds one of the texts. A second read of the page, before the lock's
// or after it, would have the copies searched for another text.
TEST(LockSite, TheLeakCheckSearchesForTheTextThePageWasLockedFrom) {
  constexpr int kTexts = 30;
  // Ten words of its own: 3 runs of 8.
  const auto text = [](int n) {
    std::string words;
    for (char c = 'a'; c <= 'j'; ++c) words += "t" + std::to_string(10 + n) + c + " ";
    return "<p>" + words + "</p>";
  };
  const auto copy = [](int n) { return "copy" + std::to_string(10 + n) + ".js"; };
  for (const bool strict : {false, true}) {
    SCOPED_TRACE(strict ? "strict" : "not strict");
    TSiteFixture f;
    f.Add("index.html", text(0));
    for (int n = 0; n < kTexts; ++n) f.Add(copy(n), "var t = '" + text(n) + "';");
    f.request.strict = strict;
    int shown = 0;
    f.observer.cancel = [&] {
      if (shown + 1 < kTexts) {
        WriteFile(f.root / "next", text(shown + 1));
        std::error_code error;
        fs::rename(fs::path(f.root / "next"), fs::path(f.root / "site/index.html"), error);
        if (!error) ++shown;
      }
      return false;
    };

    const TSiteResult result = f.Lock();

    ASSERT_EQ(result.leaks.size(), 1u);
    EXPECT_EQ(result.leaks[0].runs, 3u);
    if (strict) {
      EXPECT_EQ(result.problem.message.text, messages::kSiteLeaksStrict);
      // The run turns to the observer before it locks a page.
      EXPECT_NE(result.leaks[0].path, copy(0));
      continue;
    }
    ASSERT_TRUE(result.ok());
    const std::string locked = Unlocked(f.Out("index.html"));
    int n = 0;
    while (n < kTexts && text(n) != locked) ++n;
    ASSERT_LT(n, kTexts) << locked;
    EXPECT_EQ(result.leaks[0].path, copy(n));
  }
}

TEST(LockSite, AStrictLockWithALeakAndADryRunWriteNothing) {
  for (const bool strict : {true, false}) {
    TSiteFixture f;
    f.Add("index.html", std::string("<p>") + kSentence + "</p>");
    f.Add("search.js", std::string("var s = '") + kSentence + "';");
    f.Add("notes.md", "notes");
    f.request.strict = strict;
    f.request.dry_run = !strict;
    f.request.password = strict ? kPassword : "";
    const auto root_before = Names(Tree(f.root.path()));

    const TSiteResult result = f.Lock();

    EXPECT_EQ(Names(Tree(f.root.path())), root_before) << strict;
    EXPECT_EQ(result.ok(), !strict);
    if (strict) {
      EXPECT_EQ(result.problem.message.text, messages::kSiteLeaksStrict);
    }
    ASSERT_EQ(result.leaks.size(), 1u) << strict;
    EXPECT_EQ(result.leaks[0].path, "search.js");
    if (strict) continue;
    std::string fates;
    for (const auto& file : result.files) fates += fs::path(file.to).generic_string() + " ";
    EXPECT_EQ(fates, "zendrel/unlock.js zendrel-extra.css index.html search.js ");
    ASSERT_EQ(result.left_out.size(), 1u);
    EXPECT_EQ(result.left_out[0].reason, TLeftOutReason::SourceOrData);
  }
}

TEST(LockSite, APageThatIsNotHtmlIsLockedAsTextIntoAnHtmlName) {
  TSiteFixture f;
  f.Add("index.html", "<p>home</p>");
  f.Add("api/fs.md", "# fs\n<b>not markup</b>");
  f.request.include = {"*.html", "*.md"};
  f.request.dry_run = true;
  const TSiteResult planned = f.Lock();
  f.request.dry_run = false;

  const TSiteResult result = f.Lock();

  ASSERT_TRUE(result.ok());
  EXPECT_FALSE(Exists(f.Out("api/fs.md")));
  EXPECT_EQ(Unlocked(f.Out("api/fs.md.html")), "# fs\n<b>not markup</b>");
  const auto text_page = std::find_if(planned.files.begin(), planned.files.end(), [](const TSiteFile& file) {
    return file.kind == TSiteFileKind::TextPage;
  });
  ASSERT_NE(text_page, planned.files.end());
  EXPECT_EQ(fs::path(text_page->to).generic_string(), "api/fs.md.html");
}

TEST(LockSite, TheSharePageIsANamedLockedPage) {
  const std::pair<const char*, const char*> cases[] = {
      {"docs/a.html", "docs/a.html"}, {"notes.txt", "notes.txt.html"}, {"notes.txt.html", "notes.txt.html"},
      {"style.css", nullptr},         {"missing.html", nullptr},
  };
  for (const auto& [named, top] : cases) {
    TSiteFixture f;
    f.Add("docs/a.html", "a");
    f.Add("notes.txt", "n");
    f.Add("style.css", "s");
    f.request.include = {"*.html", "*.txt"};
    f.request.share_page = named;
    const TSiteResult result = f.Lock();
    EXPECT_EQ(result.ok(), top != nullptr) << named;
    EXPECT_EQ(result.top_page, top ? top : "") << named;
    if (!top) {
      EXPECT_EQ(result.problem.message.text, messages::kSiteSharePageNotAPage) << named;
    }
  }
}

}  // namespace
