// The wizard's name rules: the shown file name, the suggested backup and
// where a lock leaves the locked page.
#include "app/window/wizard_paths.h"

#include <gtest/gtest.h>

#include "platform/path_parts.h"
#include "platform/platform.h"

namespace {

std::string InFolder(const std::string& name) {
  const std::string s(1, platform::PathSeparator());
  return s + "sites" + s + "my site" + s + name;
}

TEST(WizardPaths, TheFileNamePartDropsTheFolder) {
  EXPECT_EQ(platform::FileNamePart(InFolder("index.html")), "index.html");
  EXPECT_EQ(platform::FileNamePart("index.html"), "index.html");
  EXPECT_EQ(platform::FolderPart(InFolder("index.html")), InFolder(""));
  EXPECT_EQ(platform::FolderPart("index.html"), "");
}

TEST(WizardPaths, TheExtensionRunsFromTheLastDotOfTheName) {
  EXPECT_EQ(platform::FileExtension(InFolder("archive.tar.gz")), ".gz");
  EXPECT_EQ(platform::FileExtension(InFolder("notes")), "");
  EXPECT_EQ(platform::FileExtension(InFolder(".htaccess")), ".htaccess");
  EXPECT_EQ(platform::FileExtension(InFolder("draft.")), ".");
  // A dot in a folder name is no extension of the file.
  const std::string s(1, platform::PathSeparator());
  EXPECT_EQ(platform::FileExtension(s + "v1.2" + s + "notes"), "");
}

// A root keeps its separator: "C:" alone would name the drive's current
// folder, not its root.
TEST(WizardPaths, FinalSeparatorsGoButARootKeepsItsOwn) {
  const std::pair<std::string, std::string> cases[] = {
      {"site/", "site"},
      {"site//", "site"},
      {"site", "site"},
      {"/", "/"},
      {"", ""},
#ifdef _WIN32
      {"C:\\", "C:\\"},
      {"C:\\\\", "C:\\"},
      {"C:/", "C:/"},
      {"\\", "\\"},
      {"C:\\site\\", "C:\\site"},
      {"D:\\a\\b/\\", "D:\\a\\b"},
#else
      {"//", "/"},       {"/srv/site/", "/srv/site"}, {"back\\", "back\\"},
#endif
  };
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(platform::WithoutFinalSeparator(path), expected) << path;
}

TEST(WizardPaths, TheBackupNameKeepsTheExtensionAfterOriginal) {
  EXPECT_EQ(SuggestedBackupName("index.html"), "index_original.html");
  EXPECT_EQ(SuggestedBackupName("page.htm"), "page_original.htm");
  EXPECT_EQ(SuggestedBackupName("notes"), "notes_original.html");
  EXPECT_EQ(SuggestedBackupName("archive.tar.gz"), "archive.tar_original.gz");
  EXPECT_EQ(SuggestedBackupName(".htaccess"), "_original.htaccess");
  EXPECT_EQ(SuggestedBackupName("draft."), "draft_original.");
}

TEST(WizardPaths, ALockedTextPageIsTheHtmlBesideIt) {
  EXPECT_EQ(LockedPagePath(InFolder("a.txt")), InFolder("a.txt.html"));
  EXPECT_EQ(LockedPagePath(InFolder("A.TXT")), InFolder("A.TXT"));
  EXPECT_EQ(LockedPagePath(InFolder("a.Txt")), InFolder("a.Txt"));
  EXPECT_EQ(LockedPagePath(InFolder("index.html")), InFolder("index.html"));
  EXPECT_EQ(LockedPagePath(InFolder("txt")), InFolder("txt"));
}

TEST(WizardPaths, BackupsGoToAFolderOfTheirOwnInTheDocuments) {
  const std::string s(1, platform::PathSeparator());
  const std::string documents = s + "home" + s + "ann" + s + "Documents" + s;
  EXPECT_EQ(BackupsFolderIn(documents), documents + "Zendrel Backups" + s);
  EXPECT_EQ(BackupsFolderIn(""), "");
}

struct InsideCase {
  const char* backup;  // from the root, "/" standing for the separator
  bool inside;
};

TEST(WizardPaths, ABackupInThePagesFolderOrBelowIsFound) {
  const InsideCase cases[] = {
      {"sites/my site/index_original.html", true},
      {"sites/my site/old/index_original.html", true},
      {"sites/my site/a/b/index_original.html", true},
      // Names are compared as SameTextIgnoringCase compares them.
      {"SITES/My Site/index_original.html", true},
      {"sites/index_original.html", false},
      {"sites/my site2/index_original.html", false},
      {"home/ann/Documents/Zendrel Backups/index_original.html", false},
  };
  for (const InsideCase& c : cases) {
    std::string backup = std::string("/") + c.backup;
    for (char& ch : backup) {
      if (ch == '/') ch = platform::PathSeparator();
    }
    EXPECT_EQ(BackupInsidePageFolder(InFolder("index.html"), backup), c.inside) << c.backup;
  }
}

// The path with each "/" made the system's separator.
std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::PathSeparator();
  }
  return path;
}

TEST(WizardPaths, AFolderIsInsideItselfAndTheFoldersAboveIt) {
  const struct {
    const char* outer;
    const char* inner;
    bool inside;
  } cases[] = {
      {"/sites/my site", "/sites/my site", true},
      {"/sites/my site/", "/sites/my site", true},
      {"/sites/my site", "/sites/my site/drafts/", true},
      {"/SITES/My Site", "/sites/my site/x", true},
      {"/sites/my site", "/sites/my site2", false},
      {"/sites/my site", "/sites", false},
      {"", "/sites", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FolderInside(Native(c.outer), Native(c.inner)), c.inside) << c.outer << " / " << c.inner;
}

TEST(WizardPaths, ALockedSiteIsSuggestedBesideItsSourceOrWhereTheLastWentNeverInsideIt) {
  const struct {
    const char* source;
    const char* remembered;
    const char* suggested;
  } cases[] = {
      {"/sites/my site", "", "/sites/my site (locked)"},
      {"/sites/my site/", "", "/sites/my site (locked)"},
      {"/sites/my site", "/public", "/public/my site (locked)"},
      {"/sites/my site", "/public/", "/public/my site (locked)"},
      // The last output folder inside this source, or the source itself.
      {"/sites/my site", "/sites/my site/out", "/sites/my site (locked)"},
      {"/sites/my site", "/sites/my site", "/sites/my site (locked)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SuggestedSiteOutput(Native(c.source), Native(c.remembered)), Native(c.suggested))
        << c.source << " / " << c.remembered;
}

}  // namespace
