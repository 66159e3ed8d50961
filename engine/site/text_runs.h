// The locked pages' text in a form a copied file can be searched for: the
// hashes of every run of kTextRunWords words, read from the pages' bytes.
// A word is a run of ASCII letters and digits and of bytes from 128 up
// (UTF-8 letters), compared in any ASCII letter case. Markup (<...>),
// entities (&amp;) and backslash escapes (\n, \u00e9) separate words, so
// that a search index or a feed that holds a page's text as JSON or XML
// gives the same runs as the page.
//
// Memory and time stay bounded: up to kTextRunsKept hashes are kept, in an
// open hash table twice that size (1 MiB, so that it stays in the cache),
// every run of the pages. Past that, only the runs whose hash ends in one
// more zero bit are kept, as often as needed (a sample the same for the
// pages and the copies, so a copy of a page still matches one run in
// 2^level): a long copy of page text is still found, and its count is the
// runs found times 2^level. The level is the lowest at which the pages'
// runs fit, so the set does not depend on the order they were added in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/site/text_run_reader.h"

inline constexpr std::size_t kTextRunsKept = std::size_t{1} << 16;

class TTextRuns {
 public:
  // Adds every run of the file's words. False when it cannot be read (the
  // system's reason is then LastErrorText()).
  bool AddFile(const std::string& path);
  // How many runs of the file's words are runs of the added files (an
  // estimate once the runs are sampled; see above).
  bool Count(const std::string& path, std::size_t* found) const;

  // The same on bytes in memory.
  void AddText(const std::string& text);
  // Adds runs a TTextRunReader handed on.
  void AddRuns(const std::uint64_t* runs, std::size_t count);
  std::size_t CountText(const std::string& text) const;

  // The bits a run's hash has clear when it is kept: a run with any of them
  // set is never kept, now or after more runs are added (the sample only
  // narrows).
  std::uint64_t SampleMask() const { return mask_; }

 private:
  void Keep(std::uint64_t run);
  bool Insert(std::uint64_t run);
  bool Holds(std::uint64_t run) const;
  // How many of the (kept) runs the set holds.
  std::size_t Held(const std::uint64_t* runs, std::size_t count) const;
  bool Kept(std::uint64_t run) const { return (run & mask_) == 0; }

  // Open addressing, linear probing; 0 marks a free slot (a run hashed to 0
  // is stored as 1).
  std::vector<std::uint64_t> table_;
  std::size_t size_ = 0;
  // The sample: a run is kept when its hash has these bits clear.
  std::uint64_t mask_ = 0;
  unsigned level_ = 0;
};
