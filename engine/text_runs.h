// The locked pages' text in a form a copied file can be searched for: the
// hashes of every run of kTextRunWords words, read from the pages' bytes.
// A word is a run of ASCII letters and digits and of bytes from 128 up
// (UTF-8 letters), compared in any ASCII letter case. Markup (<...>),
// entities (&amp;) and backslash escapes (\n, \u00e9) separate words, so
// that a search index or a feed that holds a page's text as JSON or XML
// gives the same runs as the page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kTextRunWords = 8;

class TTextRuns {
 public:
  // Adds every run of the file's words. False when it cannot be read (the
  // system's reason is then LastErrorText()).
  bool AddFile(const std::string& path);
  // Call once every page is added, before Count.
  void Seal();
  // How many runs of the file's words are runs of the added files.
  bool Count(const std::string& path, std::size_t* found) const;

  // The same on bytes in memory.
  void AddText(const std::string& text);
  std::size_t CountText(const std::string& text) const;

 private:
  std::vector<std::uint64_t> runs_;
};
