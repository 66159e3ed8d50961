// Writing a locked page: the template's start page with the page's block in
// its payload area, streamed into a file the lock created for it.
#pragma once

#include <string>
#include <vector>

#include "engine/lock/exclusive_file.h"
#include "engine/lock/lock_plan.h"
#include "engine/outcome.h"
#include "engine/run_observer.h"
#include "fileio/byte_source.h"

// What a run of many pages keeps from one page to the next: the start
// page's bytes, read once for the run (null: read from the plan's start
// page), and one job's buffers for reading the page and writing the
// locked page, allocated once.
struct TPageBuffers {
  const std::string* start_page = nullptr;
  TByteSource page;
  std::vector<char> out;
};

// Streams into `out` (created, still empty) the plan's start page up to its
// payload area, the block the plan's codec writes of the page at
// `source_path` (wrapped as text with `text_page`), and the rest of the
// start page; then flushes and closes `out`. The observer hears how far the
// block has come and is asked between writes whether to stop. Failed when a
// write, the flush or the close fails (kCannotWriteLockedPage and the
// system's reason), when the page or the start page cannot be read
// (kCannotReadFile naming both, and the system's reason), or when the key
// cannot be made (kCannotMakeKey); Cancelled when the observer stopped it.
// `out` is left to its owner, which removes it unless it keeps it.
// `buffers`, when given, are used instead of new ones.
TOutcome WriteLockedPage(const TLockPlan& plan, const std::string& source_path, bool text_page,
                         TExclusiveFile& out, TRunObserver& observer, TPageBuffers* buffers = nullptr);
