// What a site lock is asked to do.
#pragma once

#include <string>
#include <vector>

#include "engine/password.h"
#include "engine/template_library.h"

struct TSiteRequest {
  TTemplate template_;
  // The folder whose pages are locked; it is never changed.
  std::string source;
  // The folder the locked site is written to: new, empty, or (with
  // `force`) replaced.
  std::string output;
  TPassword password = "";
  // Page patterns (see engine/page_patterns.h); empty: "*.html", "*.htm".
  std::vector<std::string> include;
  std::vector<std::string> exclude;
  // Pages locked at once; 0 counts as 1.
  unsigned jobs = 1;
  // Replaces an output folder that is not empty.
  bool force = false;
};
