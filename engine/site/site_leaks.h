// The leak check of a site lock: every site file the lock copies in clear is
// searched for the text of the pages it locks (runs of kTextRunWords words,
// engine/site/text_runs.h), and a file named like a search index is named
// whatever it holds, since such an index lists the pages' words.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

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

// Reads the plan's pages and copies (from the source). True with the copies
// that hold page text, in the plan's order; false when a file cannot be
// read, with its path in `unreadable` (the reason is LastErrorText()).
// Once `stop` is set (by another thread) it returns between two files, with
// what it found so far: a partial answer, for a lock that writes nothing.
bool FindSiteLeaks(const TSitePlan& plan, std::vector<TSiteLeak>* leaks, std::string* unreadable,
                   const std::atomic<bool>* stop = nullptr);
