// The progress line on the terminal: one line on standard error, updated in
// place at most ten times a second, then wiped for the summary. Shows
// nothing when standard error is not a terminal or --quiet was given.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class TProgressDisplay {
 public:
  // `enabled` false: every call does nothing but count the time.
  explicit TProgressDisplay(bool enabled);

  void Show(std::size_t pages_done, std::size_t pages_total, std::uint64_t bytes_done,
            std::uint64_t bytes_total);

  // Wipes the line shown, if any, so that a message can follow.
  void Clear();

  // Wipes the line and writes the summary line.
  void Summary(std::size_t pages, std::size_t copies, std::size_t left_out, std::uint64_t bytes,
               const std::string& output);

  double Seconds() const;

 private:
  bool enabled_;
  std::chrono::steady_clock::time_point start_, last_;
  std::size_t shown_ = 0;
};
