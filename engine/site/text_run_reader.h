// Cuts bytes, fed in pieces, into words and hands on the hash of each run of
// kTextRunWords words (engine/site/text_runs.h says what a word is), in
// batches and in order. One reader reads one file at a time; End finishes it
// and readies the reader for the next, so that a job can keep one from page
// to page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

inline constexpr std::size_t kTextRunWords = 8;

class TTextRunReader {
 public:
  // Hears up to kBatch runs at a time; called when the batch is full and at
  // End (not for an empty batch).
  using TRuns = std::function<void(const std::uint64_t* runs, std::size_t count)>;
  static constexpr std::size_t kBatch = 512;

  explicit TTextRunReader(TRuns runs) : runs_(std::move(runs)) {}

  void Feed(const char* data, std::size_t size);
  // The file's end: its last word, the last batch, and a fresh start for
  // the next file (the dropped bits stay).
  void End();
  // Runs with any of `mask`'s bits set are not handed on: a receiver that
  // samples the runs (engine/site/text_runs.h) says which it would not keep
  // anyway, and saves their passing.
  void Drop(std::uint64_t mask) { drop_ = mask; }

 private:
  // The words, up to the end or to a byte that starts a tag or an escape.
  void Words(const unsigned char*& p, const unsigned char* end);
  // Up to 64 bytes at once (more when a tag or an escape goes on past
  // them), where at least kWindowRoom bytes are left: the same runs as
  // Words, found with a mask of the word bytes instead of a branch per
  // byte. Only where the processor has SSE2.
  static constexpr std::size_t kWindowRoom = 80;
  void Window(const unsigned char*& p, const unsigned char* end);
  // The bytes after "<" or "\", one state at a time.
  void Special(const unsigned char*& p, const unsigned char* end);
  void Pass();
  // A word's hash (its chunks folded) into the run and, once the run has
  // kTextRunWords words, the run into the batch unless dropped.
  void AddWord(std::uint64_t word, std::uint64_t& rolling, std::size_t& count, std::size_t& batched,
               std::uint64_t& drop);

  TRuns runs_;
  std::uint64_t drop_ = 0;
  std::uint64_t ring_[kTextRunWords] = {};
  std::uint64_t rolling_ = 0;
  std::size_t count_ = 0;
  // The word so far: the hash of its whole eight-byte chunks (a start
  // value between words), and the bytes of the chunk it is in.
  std::uint64_t word_ = 0xcbf29ce484222325ull;
  std::uint64_t chunk_ = 0;
  unsigned filled_ = 0;
  bool in_word_ = false;
  unsigned skip_ = 0;
  bool escape_start_ = false;
  bool in_tag_ = false;
  bool after_lt_ = false;
  bool after_amp_ = false;
  std::size_t batched_ = 0;
  std::uint64_t batch_[kBatch];
};
