// Writes the files of a site's plan into the temporary folder: pages locked
// by `jobs` threads at once, other files copied, while the calling thread
// tells the observer how far they are and asks whether to cancel. Each job
// hands the bytes it reads of a page to the leak check's runs too, so that
// every page is read once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/outcome.h"
#include "engine/run_observer.h"
#include "engine/site/site_page_runs.h"
#include "engine/site/site_page_writer.h"
#include "engine/site/site_plan.h"

class TSiteBuild {
 public:
  TSiteBuild(const TSitePlan& plan, const TSitePageWriter& writer, std::string temporary,
             TSitePageRuns& page_runs);

  // Done when every file was written; Failed with the first problem a job
  // met (the other jobs stop at their next file); Cancelled when the
  // observer asked to stop. Whatever was written stays in the temporary
  // folder for its owner to remove.
  TOutcome Run(unsigned jobs, TRunObserver& observer);

 private:
  void Work();
  TOutcome WriteFile(const TSiteFile& file, TPageBuffers& buffers, const TByteSource::TTap& read,
                     TSitePageRuns::TFeed& runs);
  void Fail(TProblem why);

  const TSitePlan& plan_;
  const TSitePageWriter& writer_;
  const std::string temporary_;
  TSitePageRuns& page_runs_;
  std::vector<std::size_t> order_;

  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> pages_done_{0};
  std::atomic<std::uint64_t> bytes_done_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  unsigned running_ = 0;
  bool failed_ = false;
  bool cancelled_ = false;
  TProblem why_;
};
