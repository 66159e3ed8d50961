#include "engine/text_runs.h"

#include <algorithm>
#include <functional>

#include "platform/platform.h"

namespace {

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;

bool IsWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

bool IsTagStart(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' || c == '!' || c == '?'; }

// Cuts a stream of bytes, fed in pieces, into words and hands on the hash
// of each run of kTextRunWords words.
class TRunReader {
 public:
  explicit TRunReader(std::function<void(std::uint64_t)> run) : run_(std::move(run)) {}

  void Feed(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) Byte(static_cast<unsigned char>(data[i]));
  }
  void End() { EndWord(' '); }

 private:
  void Byte(unsigned char c) {
    if (skip_ > 0) {
      // The rest of a backslash escape: "\u" takes four hex digits.
      --skip_;
      if (escape_start_ && (c == 'u' || c == 'U')) skip_ = 4;
      escape_start_ = false;
      return;
    }
    if (in_tag_) {
      if (c == '>') in_tag_ = false;
      return;
    }
    if (after_lt_) {
      after_lt_ = false;
      if (IsTagStart(c)) {
        in_tag_ = true;
        return;
      }
    }
    if (IsWordByte(c)) {
      if (length_ == 0) word_ = kFnvOffset;
      word_ = (word_ ^ (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c)) * kFnvPrime;
      ++length_;
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
  }

  void EndWord(unsigned char next) {
    if (length_ == 0) return;
    const bool entity = after_amp_ && next == ';';
    length_ = 0;
    after_amp_ = false;
    if (entity) return;
    ring_[count_++ % kTextRunWords] = word_;
    if (count_ < kTextRunWords) return;
    std::uint64_t run = kFnvOffset;
    for (std::size_t i = 0; i < kTextRunWords; ++i)
      run = (run ^ ring_[(count_ + i) % kTextRunWords]) * kFnvPrime + (run >> 29);
    run_(run);
  }

  std::function<void(std::uint64_t)> run_;
  std::uint64_t ring_[kTextRunWords] = {};
  std::size_t count_ = 0;
  std::uint64_t word_ = 0;
  std::size_t length_ = 0;
  unsigned skip_ = 0;
  bool escape_start_ = false;
  bool in_tag_ = false;
  bool after_lt_ = false;
  bool after_amp_ = false;
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
    if (got == 0) break;
    reader.Feed(buffer.data(), got);
  }
  platform::CloseFile(file);
  reader.End();
  return true;
}

}  // namespace

bool TTextRuns::AddFile(const std::string& path) {
  TRunReader reader([this](std::uint64_t run) { runs_.push_back(run); });
  return ReadAll(path, reader);
}

void TTextRuns::AddText(const std::string& text) {
  TRunReader reader([this](std::uint64_t run) { runs_.push_back(run); });
  reader.Feed(text.data(), text.size());
  reader.End();
}

void TTextRuns::Seal() {
  std::sort(runs_.begin(), runs_.end());
  runs_.erase(std::unique(runs_.begin(), runs_.end()), runs_.end());
}

bool TTextRuns::Count(const std::string& path, std::size_t* found) const {
  *found = 0;
  TRunReader reader([&](std::uint64_t run) { *found += std::binary_search(runs_.begin(), runs_.end(), run); });
  return ReadAll(path, reader);
}

std::size_t TTextRuns::CountText(const std::string& text) const {
  std::size_t found = 0;
  TRunReader reader([&](std::uint64_t run) { found += std::binary_search(runs_.begin(), runs_.end(), run); });
  reader.Feed(text.data(), text.size());
  reader.End();
  return found;
}
