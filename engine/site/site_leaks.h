// The leak check of a site lock: every site file the lock copies in clear is
// searched for the text of the pages it locks (runs of kTextRunWords words,
// engine/site/text_runs.h), and a file named like a search index is named
// whatever it holds, since such an index lists the pages' words.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/outcome.h"
#include "engine/site/site_plan.h"
#include "engine/site/text_runs.h"

struct TSiteLeak {
  // The copy's path under the output folder, with "/".
  std::string path;
  // Runs of `run_words` of the pages' words found in it.
  std::size_t runs = 0;
  bool search_index = false;
  std::size_t run_words = kTextRunWords;
};

// Adds to `runs` the runs of the plan's pages, read from the source: for a
// run that locks no page (a dry run); a lock gathers them as it reads each
// page (engine/site/site_page_runs.h). The problem (kCannotReadFile naming
// it, with the system's reason) when a page cannot be read.
TProblem ReadPageRuns(const TSitePlan& plan, TTextRuns* runs);

// Reads the plan's copies (from the source) and fills `leaks` with those
// that hold runs of `pages`, or are named like a search index, in the plan's
// order. The problem (kCannotReadFile naming it, with the system's reason)
// when a copy cannot be read.
// Once `stop` answers true (asked between two files) it returns with what
// it found so far: a partial answer, for a lock that writes nothing.
TProblem FindSiteLeaks(const TSitePlan& plan, const TTextRuns& pages, std::vector<TSiteLeak>* leaks,
                       const std::function<bool()>& stop = {});
