// The wizard's site lock on its worker thread, and the observer the engine
// calls there: progress and the end are posted to the window as messages,
// warnings kept for it, Cancel read from a flag.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "app/window/win32/main_form.h"
#include "engine/run_observer.h"
#include "engine/site_lock.h"

// What the worker posts to the window: a new step of the progress bar, and
// the end of the run.
inline constexpr UINT kSiteProgressMessage = WM_APP + 1;
inline constexpr UINT kSiteDoneMessage = WM_APP + 2;

struct TMainForm::TSiteRun : TRunObserver {
  TSiteRequest request;
  HWND window = nullptr;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::atomic<bool> cancel{false};
  std::atomic<std::uint64_t> bytes_done{0};
  std::atomic<std::uint64_t> bytes_total{0};
  std::atomic<int> posted_step{-1};
  // Written by the worker (the engine calls the observer on the thread that
  // started the run), read by the window after joining it.
  TSiteResult result;
  std::exception_ptr failure;
  std::vector<TLockMessage> warnings;
  std::thread worker;

  bool Cancelled() override { return cancel.load(); }
  void Warn(const TLockMessage& warning) override { warnings.push_back(warning); }
  void Progress(const TProgress& progress) override {
    if (progress.bytes_total == 0) return;
    bytes_done = progress.bytes_done;
    bytes_total = progress.bytes_total;
    const auto step = static_cast<int>(std::min(progress.bytes_done, progress.bytes_total) *
                                       kLockProgressSteps / progress.bytes_total);
    // Only a new step is worth a message.
    if (posted_step.exchange(step) != step) PostMessageA(window, kSiteProgressMessage, 0, 0);
  }
  void Run() {
    try {
      result = LockSite(request, *this);
    } catch (...) {
      // Nothing unwinds out of a thread: the window rethrows it, and the
      // application's exception event reports it.
      failure = std::current_exception();
    }
    PostMessageA(window, kSiteDoneMessage, 0, 0);
  }
  // Stops the run, as Cancel does, and waits for its end.
  void StopAndWait() {
    cancel = true;
    if (worker.joinable()) worker.join();
  }
};
