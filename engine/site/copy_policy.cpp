#include "engine/site/copy_policy.h"

#include <algorithm>

namespace {

const std::vector<std::string> kSourceExtensions = {
    "md",  "markdown", "mdx",  "rst",   "txt", "text", "adoc", "asciidoc", "org", "tex",  "json", "jsonl",
    "xml", "rss",      "atom", "csv",   "tsv", "yaml", "yml",  "toml",     "ini", "conf", "cfg",  "sql",
    "db",  "sqlite",   "log",  "ipynb", "map", "vtt",  "srt",  "po",       "pot", "env"};
const std::vector<std::string> kDocumentExtensions = {
    "zip", "gz",  "tgz", "bz2", "xz",   "zst", "7z",   "rar", "tar",  "jar",   "pdf",     "doc", "docx",
    "odt", "ods", "odp", "xls", "xlsx", "ppt", "pptx", "rtf", "epub", "pages", "numbers", "key"};
const std::vector<std::string> kBackupExtensions = {"swp", "swo", "swn", "bak", "orig", "rej", "tmp", "old"};

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string NameOf(const std::string& relative) {
  const std::size_t slash = relative.rfind('/');
  return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

// The name's last extension, lower case; "" without one.
std::string ExtensionOf(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? std::string() : Lower(name.substr(dot + 1));
}

bool In(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TLeftOutReason ReasonFor(const std::string& name) {
  const std::string extension = ExtensionOf(name);
  if (IsSearchIndexName(name)) return TLeftOutReason::SearchIndex;
  if (name.back() == '~' || (name.front() == '#' && name.back() == '#') || In(kBackupExtensions, extension))
    return TLeftOutReason::EditorBackup;
  if (In(kSourceExtensions, extension)) return TLeftOutReason::SourceOrData;
  if (In(kDocumentExtensions, extension)) return TLeftOutReason::Document;
  return In(kCopiedExtensions, extension) ? TLeftOutReason::None : TLeftOutReason::NotNeeded;
}

}  // namespace

bool IsSearchIndexName(const std::string& name) { return MatchesPattern("search*index*.js*", name); }

TSiteFileFate SiteFileFate(const TPagePatterns& patterns, const std::string& relative, TLeftOutReason* why) {
  const std::string name = NameOf(relative);
  *why = TLeftOutReason::None;
  if (patterns.Excludes(relative)) {
    *why = TLeftOutReason::Excluded;
    return TSiteFileFate::LeftOut;
  }
  const bool named = patterns.NamedByUser(relative);
  if (name.front() == '.' && !named) {
    *why = TLeftOutReason::Hidden;
    return TSiteFileFate::LeftOut;
  }
  if (patterns.IsPage(relative)) return TSiteFileFate::Page;
  if (patterns.Copies(relative)) return TSiteFileFate::Copy;
  *why = ReasonFor(name);
  return *why == TLeftOutReason::None ? TSiteFileFate::Copy : TSiteFileFate::LeftOut;
}

bool SiteFolderLeftOut(const TPagePatterns& patterns, const std::string& relative, TLeftOutReason* why) {
  const std::string name = NameOf(relative);
  *why = TLeftOutReason::None;
  if (patterns.Excludes(relative))
    *why = TLeftOutReason::Excluded;
  else if (name == ".git" || name == ".hg" || name == ".svn")
    *why = TLeftOutReason::VersionControl;
  else if (name.front() == '.' && !patterns.NamesInside(relative))
    *why = TLeftOutReason::Hidden;
  return *why != TLeftOutReason::None;
}
