#include "app/common/progress_line.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Mebibytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

std::string Clock(double seconds) {
  const auto whole = static_cast<unsigned long long>(std::llround(seconds));
  char text[40];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", whole / 3600, whole / 60 % 60, whole % 60);
  else
    std::snprintf(text, sizeof text, "%llu:%02llu", whole / 60, whole % 60);
  return text;
}

std::string Pages(std::size_t count) { return count == 1 ? " page" : " pages"; }

}  // namespace

std::string FormatProgressLine(std::size_t pages_done, std::size_t pages_total, std::uint64_t bytes_done,
                               std::uint64_t bytes_total, double seconds_so_far) {
  std::string left = "--:--";
  if (bytes_done > 0 && bytes_done <= bytes_total)
    left = Clock(seconds_so_far * static_cast<double>(bytes_total - bytes_done) /
                 static_cast<double>(bytes_done));
  return std::to_string(pages_done) + "/" + std::to_string(pages_total) + Pages(pages_total) + ", " +
         Mebibytes(bytes_done) + "/" + Mebibytes(bytes_total) + " MiB, " + left + " left";
}

std::string FormatSummaryLine(std::size_t pages, std::size_t copies, std::size_t left_out,
                              std::uint64_t bytes, double seconds, const std::string& output) {
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", seconds);
  return std::to_string(pages) + Pages(pages) + " locked, " + std::to_string(copies) +
         (copies == 1 ? " file" : " files") + " copied, " + std::to_string(left_out) + " left out, " +
         Mebibytes(bytes) + " MiB, " + time + " s: " + output;
}

std::string OverwriteLine(const std::string& line, std::size_t shown) {
  std::string text = "\r" + line;
  if (shown > line.size()) text += std::string(shown - line.size(), ' ');
  return text;
}
