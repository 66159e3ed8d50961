#include "engine/site/site_page_runs.h"

TSitePageRuns::TFeed::TFeed(TSitePageRuns& into)
    : into_(into), reader_([this](const std::uint64_t* runs, std::size_t count) { Pass(runs, count); }) {}

void TSitePageRuns::TFeed::Bytes(const unsigned char* data, std::size_t size) {
  reader_.Feed(reinterpret_cast<const char*>(data), size);
}

void TSitePageRuns::TFeed::EndPage() { reader_.End(); }

void TSitePageRuns::TFeed::Pass(const std::uint64_t* runs, std::size_t count) {
  std::lock_guard<std::mutex> lock(into_.mutex_);
  into_.runs_.AddRuns(runs, count);
  // The runs the set would not keep now it will never keep: the reader
  // drops them rather than pass them under the lock.
  reader_.Drop(into_.runs_.SampleMask());
}
