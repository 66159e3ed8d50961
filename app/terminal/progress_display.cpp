#include "app/terminal/progress_display.h"

#include <algorithm>

#include "app/common/progress_line.h"
#include "platform/terminal.h"

TProgressDisplay::TProgressDisplay(bool enabled)
    : enabled_(enabled), start_(std::chrono::steady_clock::now()), last_() {}

double TProgressDisplay::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void TProgressDisplay::Show(std::size_t pages_done, std::size_t pages_total, std::uint64_t bytes_done,
                            std::uint64_t bytes_total) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (shown_ > 0 && now - last_ < std::chrono::milliseconds(100) && pages_done < pages_total) return;
  last_ = now;
  const std::string line = FormatProgressLine(pages_done, pages_total, bytes_done, bytes_total, Seconds());
  platform::WriteStandardError(OverwriteLine(line, shown_));
  shown_ = std::max(shown_, line.size());
}

void TProgressDisplay::Clear() {
  if (!enabled_ || shown_ == 0) return;
  platform::WriteStandardError(OverwriteLine("", shown_) + "\r");
  shown_ = 0;
}

void TProgressDisplay::Summary(std::size_t pages, std::size_t copies, std::size_t left_out,
                               std::uint64_t bytes, const std::string& output) {
  if (!enabled_) return;
  Clear();
  platform::WriteStandardError(FormatSummaryLine(pages, copies, left_out, bytes, Seconds(), output) + "\n");
}
