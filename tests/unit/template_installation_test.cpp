// Installing a template folder over a page, and the library of templates.
#include "engine/lock/template_installation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "resources/message_table.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;

const char kSep = platform::PathSeparator();

ScriptedObserver quiet;

TTemplateInstallation Install(const LockFixture& f, const std::string& name, const std::string& page,
                              TRunObserver& observer = quiet) {
  return InstallTemplate(f.TemplatesDir() + name + kSep, page, true, observer);
}

TEST(InstallTemplate, CopiesEverythingAndTheStartPageLandsOnThePage) {
  LockFixture f;
  f.AddTemplateFile("T", "index.html", "start page");
  f.AddTemplateFile("T", "a.js", "new script");
  f.AddTemplateFile("T", "img/b.gif", "GIF89a");
  f.AddTemplateFile("T", "img/index.html", "inner index");
  WriteFile(f.Page("my.html"), "my page");
  WriteFile(f.Page("a.js"), "old script");
  ScriptedObserver observer;

  EXPECT_TRUE(Install(f, "T", f.Page("my.html"), observer).ok());

  EXPECT_EQ(ListNames(f.pages.path()), "a.js img my.html");
  EXPECT_EQ(ReadFile(f.Page("my.html")), "start page");
  EXPECT_EQ(ReadFile(f.Page("a.js")), "new script");
  EXPECT_EQ(ReadFile(f.Page("img/b.gif")), "GIF89a");
  EXPECT_EQ(ReadFile(f.Page("img/index.html")), "inner index") << "below the top it keeps its own name";
  EXPECT_TRUE(observer.warnings.empty());
}

TEST(InstallTemplate, OnlyTheExactLowerCaseNameIsTheStartPage) {
  LockFixture f;
  f.AddTemplateFile("T", "Index.html", "case variant");
  WriteFile(f.Page("my.html"), "my page");
  Install(f, "T", f.Page("my.html"));
  EXPECT_EQ(ReadFile(f.Page("my.html")), "my page");
  EXPECT_EQ(ReadFile(f.Page("Index.html")), "case variant");
}

TEST(InstallTemplate, HiddenFilesAreCopiedLikeAnyOther) {
  LockFixture f;
  f.AddTemplateFile("T", ".hidden.css", "hidden");
  MakeHidden(f.TemplatesDir() + "T" + kSep + ".hidden.css");
  WriteFile(f.Page("p.html"), "p");
  Install(f, "T", f.Page("p.html"));
  EXPECT_EQ(ReadFile(f.Page(".hidden.css")), "hidden");
}

TEST(InstallTemplate, AMissingFolderCopiesNothingSilently) {
  LockFixture f;
  WriteFile(f.Page("p.html"), "p");
  ScriptedObserver observer;
  EXPECT_TRUE(Install(f, "none", f.Page("p.html"), observer).ok());
  EXPECT_EQ(ListNames(f.pages.path()), "p.html");
  EXPECT_TRUE(observer.warnings.empty());
}

TEST(InstallTemplate, AFailedCopyIsReportedAndTheRestGoesOn) {
  LockFixture f;
  f.AddTemplateFile("T", "index.html", "start");
  WriteFile(f.Page("p.html"), "p");
  TTemplateInstallation installed;
  {
    platform::faults::ScopedFaultPlan plan(platform::faults::Call::Copy, 1);
    f.AddTemplateFile("T", "z.js", "z");
    installed = Install(f, "T", f.Page("p.html"));
  }
  EXPECT_FALSE(installed.cancelled);
  ASSERT_EQ(installed.failures.size(), 1u);
  const TProblem& failure = installed.failures[0];
  EXPECT_EQ(failure.message.text, messages::kCannotCopyToDirectory);
  ASSERT_EQ(failure.message.arguments.size(), 2u);
  EXPECT_EQ(failure.message.arguments[1], f.pages.path());
  EXPECT_FALSE(failure.reason.empty()) << "the system's reason";
  EXPECT_EQ(MessageText(failure.message).substr(0, 15), "Cannot copy fil");
  // Exactly one of the two files was copied.
  EXPECT_EQ(Exists(f.Page("z.js")) + (ReadFile(f.Page("p.html")) == "start"), 1);
}

TEST(InstallTemplate, StopsBeforeTheNextCopyWhenCancelled) {
  LockFixture f;
  for (const char* name : {"a.js", "b.js", "c.js"}) f.AddTemplateFile("T", name, "x");
  WriteFile(f.Page("p.html"), "p");
  ScriptedObserver observer;
  observer.cancel_at = 2;
  const TTemplateInstallation installed = Install(f, "T", f.Page("p.html"), observer);
  EXPECT_TRUE(installed.cancelled);
  EXPECT_TRUE(installed.failures.empty());
  EXPECT_EQ(observer.checks, 2);
  // One file copied before the stop, beside the page as it was.
  const std::string names = ListNames(f.pages.path());
  EXPECT_EQ(std::count(names.begin(), names.end(), ' '), 1) << names;
  EXPECT_EQ(ReadFile(f.Page("p.html")), "p");
}

TEST(TemplateLibrary, ListsVisibleSubdirectoriesOnly) {
  LockFixture f;
  f.AddTemplateFile("Light", "index.html", "x");
  f.AddTemplateFile("Empty folder", "readme.txt", "no start page");
  f.AddTemplateFile(".Hidden", "index.html", "x");
  MakeHidden(f.TemplatesDir() + ".Hidden");
  WriteFile(f.TemplatesDir() + "plain-file.html", "not a template");
  auto names = f.Library().Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Empty folder", "Light"}));
}

TEST(TemplateLibrary, AMissingFolderGivesAnEmptyList) {
  LockFixture f;
  EXPECT_TRUE(TTemplateLibrary(f.TemplatesDir() + "nowhere" + kSep).Names().empty());
}

TEST(TemplateLibrary, FindsATemplateByItsFolderName) {
  LockFixture f;
  f.AddTemplateFile("Light", "index.html", "x");
  f.AddTemplateFile("Empty folder", "readme.txt", "no start page");
  struct Case {
    std::string name;
    std::string told;  // "" when found
  };
  const std::string dir = f.TemplatesDir();
  const std::vector<Case> cases = {
      {"Light", ""},
      {"Empty folder",
       "Template Empty folder not found:\n" + dir + "Empty folder" + kSep + "index.html does not exist."},
      {"Nowhere", "Template Nowhere not found:\n" + dir + "Nowhere" + kSep + "index.html does not exist."},
      {"", " is not a template name.\nName a folder of the templates folder, without a path."},
      {"..", ".. is not a template name.\nName a folder of the templates folder, without a path."},
      {"Light/..",
       "Light/.. is not a template name.\nName a folder of the templates folder, without a path."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TValueOr<TTemplate> found = f.Library().Find(c.name);
    EXPECT_EQ(found.ok(), c.told.empty());
    if (found.ok()) {
      EXPECT_EQ(found.value.name, c.name);
      EXPECT_EQ(found.value.folder, dir + c.name + kSep);
      EXPECT_EQ(found.value.StartPage(), dir + c.name + kSep + "index.html");
    } else {
      EXPECT_EQ(MessageText(found.problem.message), c.told);
    }
  }
}

TEST(TemplateLibrary, OpensATemplateFolderByItsPath) {
  LockFixture f;
  f.AddTemplateFile("Mine", "index.html", "x");
  const std::string folder = f.TemplatesDir() + "Mine";
  for (const std::string& path : {folder, folder + kSep}) {
    const TValueOr<TTemplate> found = TTemplateLibrary::OpenFolder(path);
    ASSERT_TRUE(found.ok()) << path;
    EXPECT_EQ(found.value.name, "Mine");
    EXPECT_EQ(found.value.folder, folder + kSep);
  }
  const TValueOr<TTemplate> found = TTemplateLibrary::OpenFolder(f.pages.path());
  EXPECT_FALSE(found.ok());
  EXPECT_EQ(MessageText(found.problem.message),
            "Template " + f.pages.path() + " not found:\n" + f.pages.path() + "index.html does not exist.");
}

}  // namespace
