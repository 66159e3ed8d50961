// What a site lock does with a site file that is not a page: by default it
// copies only what a page needs to be shown (stylesheets, scripts, images,
// fonts, audio and video, icons, web manifests) and leaves out the rest,
// because generators and editors put the pages' own text beside them
// (sources, search indexes, feeds, backups). The user's patterns decide
// first: --exclude leaves a file out, --include locks it, --copy copies it.
#pragma once

#include <string>
#include <vector>

#include "engine/site/page_patterns.h"

// The extensions (without the dot, lower case) copied by default.
inline const std::vector<std::string> kCopiedExtensions = {
    // stylesheets and scripts
    "css", "js", "mjs", "wasm",
    // images and icons
    "png", "jpg", "jpeg", "gif", "webp", "avif", "apng", "svg", "bmp", "ico", "cur", "tif", "tiff",
    // fonts
    "woff", "woff2", "ttf", "otf", "eot",
    // audio and video
    "mp3", "ogg", "oga", "opus", "wav", "flac", "m4a", "aac", "weba", "mp4", "m4v", "webm", "ogv", "mov",
    // web manifests
    "webmanifest"};

enum class TSiteFileFate { Page, Copy, LeftOut };

// Why a file or folder is left out.
enum class TLeftOutReason {
  None,
  Excluded,        // an --exclude pattern
  VersionControl,  // .git, .hg, .svn
  Hidden,          // a name that starts with "."
  SourceOrData,    // .md, .rst, .txt, .json, .xml, .csv and the like
  Document,        // archives, PDFs, office documents
  EditorBackup,    // name~, .swp, .bak...
  SearchIndex,     // searchindex.js, search_index.json...
  NotNeeded,       // any other kind of file
};

// What becomes of the site file at `relative` (its path under the site's
// folder with "/"); `*why` says why when it is left out.
TSiteFileFate SiteFileFate(const TPagePatterns& patterns, const std::string& relative, TLeftOutReason* why);

// Whether the site folder at `relative` is left out whole (and not walked):
// excluded, or a name that starts with "." that no user pattern reaches into.
bool SiteFolderLeftOut(const TPagePatterns& patterns, const std::string& relative, TLeftOutReason* why);

// A file named like a search index built from the pages' words.
bool IsSearchIndexName(const std::string& name);
