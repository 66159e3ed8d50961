// What a site lock will write, worked out before anything is written: the
// source folder's tree walked once (links and anything that is neither file
// nor folder left out and named), the pages picked by the patterns, the
// other files copied or left out by the copy policy (engine/site/copy_policy.h),
// the template's other files added to each folder that holds a page, and
// every name that would be written twice (a clash). A folder that would
// hold nothing is not made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/outcome.h"
#include "engine/site/copy_policy.h"
#include "engine/site/page_patterns.h"

enum class TSiteFileKind {
  Copy,          // a site file copied byte for byte
  Page,          // a page locked as HTML
  TextPage,      // a plain-text page, locked as text into its name + ".html"
  TemplateFile,  // one of the template's other files
};

struct TSiteFile {
  TSiteFileKind kind = TSiteFileKind::Copy;
  // The full path of the file read.
  std::string from;
  // The path written, relative to the output folder, with the system's
  // separators.
  std::string to;
  std::uint64_t size = 0;
  // Its permission bits as the plan found them (see DirEntry).
  std::uint32_t permissions = 0;
};

// A site file or folder that is not written, and why.
struct TLeftOutEntry {
  // Its path under the site's folder, with "/".
  std::string relative;
  TLeftOutReason reason = TLeftOutReason::NotNeeded;
  bool folder = false;
};

struct TSitePlan {
  // Folders to make under the output, relative, with the system's
  // separators, every folder after the one holding it. The output folder
  // itself is not listed.
  std::vector<std::string> folders;
  // For each entry of `folders`, the folder whose permission bits it takes
  // (a folder of the site, or of the template).
  std::vector<std::string> folder_models;
  std::vector<TSiteFile> files;
  // Full paths of the links met in the site and the template, skipped.
  std::vector<std::string> links;
  // Full paths of site entries that are neither files nor folders, skipped.
  std::vector<std::string> not_files;
  // One line for every output path written twice: "<path>: <what else
  // would be written there>". The lock is refused when any exists.
  std::vector<std::string> clashes;
  // In the walk's order; a folder left out whole is one entry.
  std::vector<TLeftOutEntry> left_out;
  std::size_t pages = 0;
  // Site files copied in clear.
  std::size_t copies = 0;
  // Bytes of the site's own files (pages and copies).
  std::uint64_t site_bytes = 0;
  // The page at the output's top that a visitor opens first, relative:
  // "index.html" (or "index.htm") in any letter case when there is one,
  // else empty.
  std::string top_page;
};

// Walks `source` and `template_folder` (both ending in the separator); the
// template's top-level "index.html" is its start page and is not copied.
// Fills `plan`; the problem (kSiteCannotList naming the folder, with the
// system's reason) when a folder cannot be listed.
TProblem PlanSite(const std::string& source, const std::string& template_folder,
                  const TPagePatterns& patterns, TSitePlan* plan);
