#include "engine/site/text_runs.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/platform.h"

namespace {

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;
constexpr std::uint64_t kRunBase = 0x9E3779B97F4A7C15ull;

constexpr std::uint64_t Power(std::uint64_t base, std::size_t exponent) {
  std::uint64_t result = 1;
  for (std::size_t i = 0; i < exponent; ++i) result *= base;
  return result;
}
// The weight of the oldest word of a run once it is kTextRunWords old.
constexpr std::uint64_t kBaseToRunWords = Power(kRunBase, kTextRunWords);

// Each byte's lower-case form when it belongs to a word, else 0.
struct TWordBytes {
  unsigned char lower[256] = {};
  constexpr TWordBytes() {
    for (int c = 0; c < 256; ++c) {
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0x80)
        lower[c] = static_cast<unsigned char>(c);
      if (c >= 'A' && c <= 'Z') lower[c] = static_cast<unsigned char>(c - 'A' + 'a');
    }
  }
};
constexpr TWordBytes kWordBytes;

bool IsTagStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?';
}

// Cuts a stream of bytes, fed in pieces, into words and hands on the hash
// of each run of kTextRunWords words.
class TRunReader {
 public:
  explicit TRunReader(std::function<void(std::uint64_t)> run) : run_(std::move(run)) {}

  void Feed(const char* data, std::size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* const end = p + size;
    while (p < end) {
      // The common case first: the bytes of a word.
      if (!special_) {
        std::uint64_t word = word_;
        std::size_t length = length_;
        while (p < end && kWordBytes.lower[*p] != 0) {
          if (length++ == 0) word = kFnvOffset;
          word = (word ^ kWordBytes.lower[*p++]) * kFnvPrime;
        }
        word_ = word;
        length_ = length;
        if (p == end) break;
      }
      if (in_tag_) {
        const void* gt = std::memchr(p, '>', static_cast<std::size_t>(end - p));
        if (gt == nullptr) break;
        p = static_cast<const unsigned char*>(gt) + 1;
        in_tag_ = false;
        Recount();
        continue;
      }
      Byte(*p++);
    }
  }
  void End() { EndWord(' '); }

 private:
  // The states that the word loop leaves to Byte.
  void Recount() { special_ = skip_ > 0 || in_tag_ || after_lt_; }

  void Byte(unsigned char c) {
    if (skip_ > 0) {
      // The rest of a backslash escape: "\u" takes four hex digits.
      --skip_;
      if (escape_start_ && (c == 'u' || c == 'U')) skip_ = 4;
      escape_start_ = false;
      Recount();
      return;
    }
    if (after_lt_) {
      after_lt_ = false;
      Recount();
      if (IsTagStart(c)) {
        in_tag_ = true;
        special_ = true;
        return;
      }
    }
    if (const unsigned char lower = kWordBytes.lower[c]) {
      if (length_++ == 0) word_ = kFnvOffset;
      word_ = (word_ ^ lower) * kFnvPrime;
      return;
    }
    EndWord(c);
    after_amp_ = c == '&';
    if (c == '<') {
      after_lt_ = true;
    } else if (c == '\\') {
      skip_ = 1;
      escape_start_ = true;
    }
    Recount();
  }

  void EndWord(unsigned char next) {
    if (length_ == 0) return;
    const bool entity = after_amp_ && next == ';';
    length_ = 0;
    after_amp_ = false;
    if (entity) return;
    // A rolling polynomial hash of the last kTextRunWords word hashes: the
    // oldest word's term leaves, the new one comes in.
    std::uint64_t& slot = ring_[count_++ % kTextRunWords];
    rolling_ = rolling_ * kRunBase + word_ - slot * kBaseToRunWords;
    slot = word_;
    if (count_ < kTextRunWords) return;
    // Spread the bits (a final mix), so that the sample's low bits are fair.
    std::uint64_t run = rolling_;
    run ^= run >> 33;
    run *= 0xff51afd7ed558ccdull;
    run ^= run >> 33;
    run_(run);
  }

  std::function<void(std::uint64_t)> run_;
  std::uint64_t ring_[kTextRunWords] = {};
  std::uint64_t rolling_ = 0;
  std::size_t count_ = 0;
  std::uint64_t word_ = 0;
  std::size_t length_ = 0;
  unsigned skip_ = 0;
  bool escape_start_ = false;
  bool in_tag_ = false;
  bool after_lt_ = false;
  bool after_amp_ = false;
  bool special_ = false;
};

bool ReadAll(const std::string& path, TRunReader& reader) {
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

}  // namespace

namespace {

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
  std::vector<std::uint64_t> kept;
  kept.reserve(size_);
  for (const std::uint64_t r : table_)
    if (r != 0) kept.push_back(r);
  while (size_ > kTextRunsKept / 2) {
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
  TRunReader reader([this](std::uint64_t run) { Keep(run); });
  return ReadAll(path, reader);
}

void TTextRuns::AddText(const std::string& text) {
  TRunReader reader([this](std::uint64_t run) { Keep(run); });
  reader.Feed(text.data(), text.size());
  reader.End();
}

bool TTextRuns::Count(const std::string& path, std::size_t* found) const {
  *found = 0;
  TRunReader reader([&](std::uint64_t run) { *found += Kept(run) && Holds(run); });
  const bool read = ReadAll(path, reader);
  *found <<= level_;
  return read;
}

std::size_t TTextRuns::CountText(const std::string& text) const {
  std::size_t found = 0;
  TRunReader reader([&](std::uint64_t run) { found += Kept(run) && Holds(run); });
  reader.Feed(text.data(), text.size());
  reader.End();
  return found << level_;
}
