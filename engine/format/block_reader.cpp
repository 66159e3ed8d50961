#include "engine/format/block_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/template/payload_area.h"
#include "platform/platform.h"

namespace {
constexpr std::size_t kWindow = 1 << 16;
}

TBlockReader::~TBlockReader() { platform::CloseFile(file_); }

bool TBlockReader::Fill(std::size_t n) {
  if (end_ - pos_ >= n || eof_) return true;
  // Keep what is unread, then top the buffer up with whole reads.
  std::copy(buffer_.begin() + pos_, buffer_.begin() + end_, buffer_.begin());
  end_ -= pos_;
  pos_ = 0;
  if (buffer_.size() < std::max(n, kWindow)) buffer_.resize(std::max(n, kWindow));
  while (end_ < n && !eof_) {
    std::uint32_t got = 0;
    if (!platform::ReadFileBytes(file_, buffer_.data() + end_,
                                 static_cast<std::uint32_t>(buffer_.size() - end_), &got)) {
      error_ = platform::LastErrorText();
      return false;
    }
    end_ += got;
    read_ += got;
    eof_ = got == 0;
  }
  return true;
}

TBlockReader::TStatus TBlockReader::Open(const std::string& path) {
  file_ = platform::OpenForReading(path);
  if (file_ == platform::kInvalidHandle) {
    error_ = platform::LastErrorText();
    return TStatus::ReadFailed;
  }
  // The start marker begins within the search limit; the block starts on
  // the next line, and its lines end as the marker's does.
  const std::size_t marker = std::strlen(kPageBeginMarker);
  if (!Fill(kMarkerSearchLimit + marker)) return TStatus::ReadFailed;
  const char* begin = buffer_.data();
  const char* found = std::search(begin, begin + end_, kPageBeginMarker, kPageBeginMarker + marker);
  if (found == begin + end_ || static_cast<std::size_t>(found - begin) >= kMarkerSearchLimit)
    return TStatus::NoBlock;
  pos_ = static_cast<std::size_t>(found - begin) + marker;
  if (!Fill(2)) return TStatus::ReadFailed;
  if (Expect(kCrLf)) {
    line_break_ = kCrLf;
  } else if (Expect(kLf)) {
    line_break_ = kLf;
  } else {
    if (!error_.empty()) return TStatus::ReadFailed;
    if (pos_ == end_) return Malformed("the page ends after \"//Page Begin\"");
    return Malformed("\"//Page Begin\" is not followed by a line break");
  }
  return TStatus::Ok;
}

TBlockReader::TStatus TBlockReader::Malformed(const std::string& problem) {
  problem_ = "literal " + std::to_string(literal_) + ": " + problem;
  return TStatus::Malformed;
}

bool TBlockReader::Expect(const std::string& text) {
  if (!Fill(text.size())) return false;
  if (end_ - pos_ < text.size() || std::memcmp(buffer_.data() + pos_, text.data(), text.size()) != 0)
    return false;
  pos_ += text.size();
  return true;
}

TBlockReader::TStatus TBlockReader::Next(std::string* text, bool* last) {
  text->clear();
  *last = false;
  if (done_) return Malformed("read past the block's end");
  ++literal_;
  if (!Fill(1)) return TStatus::ReadFailed;
  if (pos_ == end_ || buffer_[pos_] != '\'') return Malformed("no opening quote");
  ++pos_;
  // The contents run to the closing quote; whole windows at a time.
  for (;;) {
    if (!Fill(1)) return TStatus::ReadFailed;
    if (pos_ == end_) return Malformed("the page ends inside the literal");
    const char* from = buffer_.data() + pos_;
    const std::size_t available = end_ - pos_;
    const auto* quote = static_cast<const char*>(std::memchr(from, '\'', available));
    const std::size_t run = quote ? static_cast<std::size_t>(quote - from) : available;
    if (std::memchr(from, '\n', run) || std::memchr(from, '\r', run)) return Malformed("a line break inside");
    if (text->size() + run > kMaxLiteral) return Malformed("too long");
    text->append(from, run);
    pos_ += run;
    if (quote) {
      ++pos_;
      break;
    }
  }
  if (Expect(",")) {
    // A cut between two of the holder's elements may follow the ",".
    if (!Expect(kBlockElementCut) && !error_.empty()) return TStatus::ReadFailed;
    if (Expect(line_break_)) return TStatus::Ok;
    return error_.empty() ? Malformed("no line break after \",\"") : TStatus::ReadFailed;
  }
  if (!error_.empty()) return TStatus::ReadFailed;
  if (!Expect(");" + line_break_))
    return error_.empty() ? Malformed("no \",\" or \");\" and line break after it") : TStatus::ReadFailed;
  if (!Expect(kPageEndMarker))
    return error_.empty() ? Malformed("\"//Page End\" does not follow the block") : TStatus::ReadFailed;
  done_ = true;
  *last = true;
  return TStatus::Ok;
}
