// The texts of the terminal's progress line and of the summary that ends a
// run (the wizard shows the same summary). Pure formatting: the caller
// measures time and writes the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// "3/200 pages, 1.5/100.0 MiB, 0:42 left". The time left is the time so far
// scaled by the bytes still to go; "--:--" until a byte is done. Hours show
// as H:MM:SS.
std::string FormatProgressLine(std::size_t pages_done, std::size_t pages_total, std::uint64_t bytes_done,
                               std::uint64_t bytes_total, double seconds_so_far);

// "200 pages locked, 31 files copied, 4 left out, 100.0 MiB, 12.3 s: <output>"
// ("1 page", "1 file" for one).
std::string FormatSummaryLine(std::size_t pages, std::size_t copies, std::size_t left_out,
                              std::uint64_t bytes, double seconds, const std::string& output);

// The text that puts `line` in place of the line shown before, `shown`
// characters long: a carriage return, the line, and blanks over what is
// left of the old one.
std::string OverwriteLine(const std::string& line, std::size_t shown);
