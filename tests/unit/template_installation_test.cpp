// Installing a template folder over a page, and the catalogue of templates.
#include "engine/template_installation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/settings.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "tests/support/lock_fixture.h"

namespace {

using namespace testing_support;

std::string Folder(const std::string& name) { return TemplatesDir + name + platform::PathSeparator(); }

TEST(InstallTemplate, CopiesEverythingAndTheStartPageLandsOnThePage) {
  LockFixture f;
  f.AddTemplateFile("T", "index.html", "start page");
  f.AddTemplateFile("T", "a.js", "new script");
  f.AddTemplateFile("T", "img/b.gif", "GIF89a");
  f.AddTemplateFile("T", "img/index.html", "inner index");
  WriteFile(f.Page("my.html"), "my page");
  WriteFile(f.Page("a.js"), "old script");
  MessageRecorder boxes;

  InstallTemplate(Folder("T"), f.Page("my.html"));

  EXPECT_EQ(ListNames(f.pages.path()), "a.js img my.html");
  EXPECT_EQ(ReadFile(f.Page("my.html")), "start page");
  EXPECT_EQ(ReadFile(f.Page("a.js")), "new script");
  EXPECT_EQ(ReadFile(f.Page("img/b.gif")), "GIF89a");
  EXPECT_EQ(ReadFile(f.Page("img/index.html")), "inner index") << "below the top it keeps its own name";
  EXPECT_TRUE(boxes.shown().empty());
}

TEST(InstallTemplate, OnlyTheExactLowerCaseNameIsTheStartPage) {
  LockFixture f;
  f.AddTemplateFile("T", "Index.html", "case variant");
  WriteFile(f.Page("my.html"), "my page");
  InstallTemplate(Folder("T"), f.Page("my.html"));
  EXPECT_EQ(ReadFile(f.Page("my.html")), "my page");
  EXPECT_EQ(ReadFile(f.Page("Index.html")), "case variant");
}

TEST(InstallTemplate, HiddenFilesAreCopiedLikeAnyOther) {
  LockFixture f;
  f.AddTemplateFile("T", ".hidden.css", "hidden");
  MakeHidden(TemplatesDir + "T" + platform::PathSeparator() + ".hidden.css");
  WriteFile(f.Page("p.html"), "p");
  InstallTemplate(Folder("T"), f.Page("p.html"));
  EXPECT_EQ(ReadFile(f.Page(".hidden.css")), "hidden");
}

TEST(InstallTemplate, AMissingFolderCopiesNothingSilently) {
  LockFixture f;
  WriteFile(f.Page("p.html"), "p");
  MessageRecorder boxes;
  InstallTemplate(Folder("none"), f.Page("p.html"));
  EXPECT_EQ(ListNames(f.pages.path()), "p.html");
  EXPECT_TRUE(boxes.shown().empty());
}

TEST(InstallTemplate, AFailedCopyIsReportedAndTheRestGoesOn) {
  LockFixture f;
  f.AddTemplateFile("T", "index.html", "start");
  WriteFile(f.Page("p.html"), "p");
  MessageRecorder boxes;
  {
    platform::faults::ScopedFaultPlan plan(platform::faults::Call::Copy, 1);
    f.AddTemplateFile("T", "z.js", "z");
    InstallTemplate(Folder("T"), f.Page("p.html"));
  }
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Error");
  EXPECT_EQ(boxes.shown()[0].icon, platform::MessageIcon::Error);
  EXPECT_EQ(boxes.shown()[0].text.substr(0, 15), "Cannot copy fil");
  EXPECT_NE(boxes.shown()[0].text.find("\nto directory " + f.pages.path()), std::string::npos);
  // Exactly one of the two files was copied.
  EXPECT_EQ(Exists(f.Page("z.js")) + (ReadFile(f.Page("p.html")) == "start"), 1);
}

TEST(TemplateCatalogue, ListsVisibleSubdirectoriesOnly) {
  LockFixture f;
  f.AddTemplateFile("Light", "index.html", "x");
  f.AddTemplateFile("Empty folder", "readme.txt", "no start page");
  f.AddTemplateFile(".Hidden", "index.html", "x");
  MakeHidden(TemplatesDir + ".Hidden");
  WriteFile(TemplatesDir + "plain-file.html", "not a template");
  auto names = TemplateCatalogue(TemplatesDir);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Empty folder", "Light"}));
}

TEST(TemplateCatalogue, AMissingFolderGivesAnEmptyList) {
  LockFixture f;
  EXPECT_TRUE(TemplateCatalogue(TemplatesDir + "nowhere" + platform::PathSeparator()).empty());
}

}  // namespace
