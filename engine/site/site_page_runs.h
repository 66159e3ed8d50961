// The runs of words of a site's pages (engine/site/text_runs.h), gathered by
// the lock's jobs from the bytes each reads to lock a page: the leak check
// then searches the copies without reading a page again. The set is the
// same whatever order the jobs finish their pages in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "engine/site/text_runs.h"

class TSitePageRuns {
 public:
  // One job's reader, kept from page to page: fed a page's bytes as the
  // job reads them, then told that the page has ended.
  class TFeed {
   public:
    explicit TFeed(TSitePageRuns& into);
    TFeed(const TFeed&) = delete;
    TFeed& operator=(const TFeed&) = delete;

    void Bytes(const unsigned char* data, std::size_t size);
    // The page's last runs go into the set; the next bytes start a page.
    void EndPage();

   private:
    // The runs go to the shared set in the reader's batches, one lock per
    // batch.
    void Pass(const std::uint64_t* runs, std::size_t count);

    TSitePageRuns& into_;
    TTextRunReader reader_;
  };

  // The pages' runs, once every job has ended its pages.
  const TTextRuns& Runs() const { return runs_; }

 private:
  std::mutex mutex_;
  TTextRuns runs_;
};
