#include "engine/site/site_page_runs.h"

namespace {

// 32 KiB a job: a small page passes its runs in one batch.
constexpr std::size_t kBatchRuns = 4096;

}  // namespace

TSitePageRuns::TFeed::TFeed(TSitePageRuns& into)
    : into_(into), reader_([this](std::uint64_t run) {
        batch_.push_back(run);
        if (batch_.size() == kBatchRuns) Pass();
      }) {
  batch_.reserve(kBatchRuns);
}

void TSitePageRuns::TFeed::Bytes(const unsigned char* data, std::size_t size) {
  reader_.Feed(reinterpret_cast<const char*>(data), size);
}

void TSitePageRuns::TFeed::EndPage() {
  reader_.End();
  Pass();
}

void TSitePageRuns::TFeed::Pass() {
  if (batch_.empty()) return;
  {
    std::lock_guard<std::mutex> lock(into_.mutex_);
    into_.runs_.AddRuns(batch_.data(), batch_.size());
  }
  batch_.clear();
}
