// Cuts bytes, fed in pieces, into words and hands on the hash of each run of
// kTextRunWords words (engine/site/text_runs.h says what a word is). One
// reader reads one file at a time; End finishes it and readies the reader
// for the next, so that a job can keep one from page to page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

inline constexpr std::size_t kTextRunWords = 8;

class TTextRunReader {
 public:
  explicit TTextRunReader(std::function<void(std::uint64_t run)> run) : run_(std::move(run)) {}

  void Feed(const char* data, std::size_t size);
  // The file's end: its last word, and a fresh start for the next file.
  void End();

 private:
  // The states that the word loop leaves to Byte.
  void Recount() { special_ = skip_ > 0 || in_tag_ || after_lt_; }
  void Byte(unsigned char c);
  void EndWord(unsigned char next);

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
