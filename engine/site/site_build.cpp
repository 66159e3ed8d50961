#include "engine/site/site_build.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>

#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// A generous limit that keeps a mistyped --jobs from starting thousands of
// threads; each job holds one page's buffers.
constexpr unsigned kMaxJobs = 64;

// How often the caller hears of progress and is asked whether to cancel.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

}  // namespace

TSiteBuild::TSiteBuild(const TSitePlan& plan, const TSitePageWriter& writer, std::string temporary,
                       TSitePageRuns& page_runs)
    : plan_(plan),
      writer_(writer),
      temporary_(std::move(temporary)),
      page_runs_(page_runs),
      order_(plan.files.size()) {
  // The largest first, so that no job is left with a big page at the end.
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  std::stable_sort(order_.begin(), order_.end(),
                   [&](std::size_t a, std::size_t b) { return plan.files[a].size > plan.files[b].size; });
}

TOutcome TSiteBuild::Run(unsigned jobs, TRunObserver& observer) {
  jobs = std::clamp(jobs, 1u, kMaxJobs);
  jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(order_.size(), 1)));
  running_ = jobs;
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < jobs; ++i) threads.emplace_back([this] { Work(); });
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const bool finished = wake_.wait_for(lock, kProgressInterval, [this] { return running_ == 0; });
    lock.unlock();
    observer.Progress({bytes_done_.load(), plan_.site_bytes, pages_done_.load(), plan_.pages});
    if (!finished && !stop_.load() && observer.Cancelled()) {
      cancelled_ = true;
      stop_.store(true);
    }
    lock.lock();
    if (finished) break;
  }
  lock.unlock();
  for (auto& thread : threads) thread.join();
  // A job's failure wins over a cancel that came while it failed.
  if (failed_) return Failed(why_);
  if (cancelled_) return CancelledOutcome();
  return {};
}

void TSiteBuild::Work() {
  TPageBuffers buffers;
  TSitePageRuns::TFeed runs(page_runs_);
  const TByteSource::TTap read = [&runs](const unsigned char* data, std::size_t size) {
    runs.Bytes(data, size);
  };
  while (!stop_.load()) {
    const std::size_t i = next_.fetch_add(1);
    if (i >= order_.size()) break;
    TOutcome written = WriteFile(plan_.files[order_[i]], buffers, read, runs);
    if (!written.ok()) {
      // A page stopped by the run's stop flag has nothing to tell.
      if (written.status != TStatus::Cancelled) Fail(std::move(written.problem));
      break;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (--running_ == 0) wake_.notify_all();
}

TOutcome TSiteBuild::WriteFile(const TSiteFile& file, TPageBuffers& buffers, const TByteSource::TTap& read,
                               TSitePageRuns::TFeed& runs) {
  const std::string to = temporary_ + platform::PathSeparator() + file.to;
  if (file.kind == TSiteFileKind::Page || file.kind == TSiteFileKind::TextPage) {
    std::uint64_t told = 0;
    TOutcome written = writer_.Write(
        file.from, file.size, file.permissions, file.kind == TSiteFileKind::TextPage, to, buffers,
        [&](std::uint64_t done) {
          bytes_done_.fetch_add(done - told);
          told = done;
        },
        read, stop_);
    if (!written.ok()) return written;
    runs.EndPage();
    bytes_done_.fetch_add(file.size - std::min(told, file.size));
    pages_done_.fetch_add(1);
    return {};
  }
  // Flushed with the whole tree before the rename, like the pages.
  if (!platform::CopyToNewFile(file.from, to, false))
    return Failed({{messages::kCannotCopyToDirectory, {file.from, platform::FolderPart(to)}},
                   platform::LastErrorText()});
  if (file.kind == TSiteFileKind::Copy) bytes_done_.fetch_add(file.size);
  return {};
}

void TSiteBuild::Fail(TProblem why) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!failed_) {
    failed_ = true;
    why_ = std::move(why);
  }
  stop_.store(true);
}
