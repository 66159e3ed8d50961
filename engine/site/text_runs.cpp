#include "engine/site/text_runs.h"

#include <algorithm>
#include "engine/site/text_run_reader.h"
#include "platform/platform.h"

namespace {

bool ReadAll(const std::string& path, TTextRunReader& reader) {
  const platform::FileHandle file = platform::OpenForReading(path);
  if (file == platform::kInvalidHandle) return false;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    std::uint32_t got = 0;
    if (!platform::ReadFileBytes(file, buffer.data(), static_cast<std::uint32_t>(buffer.size()), &got)) {
      platform::CloseFile(file);
      return false;
    }
    if (got > 0) reader.Feed(buffer.data(), got);
    // ReadFileBytes fills the buffer unless the file ends: a short read is
    // the end, with no further call to learn it.
    if (got < buffer.size()) break;
  }
  platform::CloseFile(file);
  reader.End();
  return true;
}

constexpr std::size_t kTableSlots = 2 * kTextRunsKept;
static_assert(kTableSlots == std::size_t{1} << 17, "Slot takes the top 17 bits");

// Fibonacci hashing: the run's hash spread over the slots.
std::size_t Slot(std::uint64_t run) { return static_cast<std::size_t>((run * 0x9E3779B97F4A7C15ull) >> 47); }

}  // namespace

bool TTextRuns::Insert(std::uint64_t run) {
  if (run == 0) run = 1;
  for (std::size_t i = Slot(run);; i = (i + 1) & (kTableSlots - 1)) {
    if (table_[i] == run) return false;
    if (table_[i] == 0) {
      table_[i] = run;
      return true;
    }
  }
}

bool TTextRuns::Holds(std::uint64_t run) const {
  if (table_.empty()) return false;
  if (run == 0) run = 1;
  for (std::size_t i = Slot(run);; i = (i + 1) & (kTableSlots - 1)) {
    if (table_[i] == run) return true;
    if (table_[i] == 0) return false;
  }
}

void TTextRuns::Keep(std::uint64_t run) {
  if (!Kept(run)) return;
  if (table_.empty()) table_.assign(kTableSlots, 0);
  size_ += Insert(run);
  if (size_ <= kTextRunsKept) return;
  // Full: keep one run in two of those kept, and put them back in place.
  // The sample grows only while it overflows, so that the set (the level
  // and its runs) is the same whatever order the runs came in: the lock's
  // jobs add their pages in no fixed order.
  std::vector<std::uint64_t> kept;
  kept.reserve(size_);
  for (const std::uint64_t r : table_)
    if (r != 0) kept.push_back(r);
  while (size_ > kTextRunsKept) {
    mask_ = mask_ << 1 | 1;
    ++level_;
    kept.erase(std::remove_if(kept.begin(), kept.end(), [this](std::uint64_t r) { return !Kept(r); }),
               kept.end());
    size_ = kept.size();
  }
  std::fill(table_.begin(), table_.end(), 0);
  for (const std::uint64_t r : kept) Insert(r);
}

bool TTextRuns::AddFile(const std::string& path) {
  TTextRunReader reader([this](const std::uint64_t* runs, std::size_t count) { AddRuns(runs, count); });
  return ReadAll(path, reader);
}

void TTextRuns::AddRuns(const std::uint64_t* runs, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) Keep(runs[i]);
}

void TTextRuns::AddText(const std::string& text) {
  TTextRunReader reader([this](const std::uint64_t* runs, std::size_t count) { AddRuns(runs, count); });
  reader.Feed(text.data(), text.size());
  reader.End();
}

std::size_t TTextRuns::Held(const std::uint64_t* runs, std::size_t count) const {
  std::size_t held = 0;
  for (std::size_t i = 0; i < count; ++i) held += Holds(runs[i]);
  return held;
}

bool TTextRuns::Count(const std::string& path, std::size_t* found) const {
  *found = 0;
  // Only the sample's runs are handed on.
  TTextRunReader reader([&](const std::uint64_t* runs, std::size_t count) { *found += Held(runs, count); });
  reader.Drop(mask_);
  const bool read = ReadAll(path, reader);
  *found <<= level_;
  return read;
}

std::size_t TTextRuns::CountText(const std::string& text) const {
  std::size_t found = 0;
  TTextRunReader reader([&](const std::uint64_t* runs, std::size_t count) { found += Held(runs, count); });
  reader.Drop(mask_);
  reader.Feed(text.data(), text.size());
  reader.End();
  return found << level_;
}
