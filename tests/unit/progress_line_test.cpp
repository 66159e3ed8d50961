// The progress and summary lines, against figures worked out by hand.
#include "app/common/progress_line.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

TEST(FormatProgressLine, PagesMebibytesAndTheTimeLeft) {
  struct Case {
    std::size_t pages_done, pages_total;
    std::uint64_t bytes_done, bytes_total;
    double seconds;
    const char* line;
  };
  const Case cases[] = {
      {0, 200, 0, 100 * kMiB, 0.0, "0/200 pages, 0.0/100.0 MiB, --:-- left"},
      // A quarter done in 10 s: 30 s to go.
      {50, 200, 25 * kMiB, 100 * kMiB, 10.0, "50/200 pages, 25.0/100.0 MiB, 0:30 left"},
      // A tenth in 400 s: 3600 s to go, shown with hours.
      {1, 10, kMiB, 10 * kMiB, 400.0, "1/10 pages, 1.0/10.0 MiB, 1:00:00 left"},
      // 1.5 MiB of 3 in 61 s: 61 s to go.
      {0, 1, 3 * kMiB / 2, 3 * kMiB, 61.0, "0/1 page, 1.5/3.0 MiB, 1:01 left"},
      {1, 1, 512 * 1024, 512 * 1024, 2.0, "1/1 page, 0.5/0.5 MiB, 0:00 left"},
      // 0.05 MiB rounds to one decimal.
      {3, 7, 52429, 104858, 1.0, "3/7 pages, 0.1/0.1 MiB, 0:01 left"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatProgressLine(c.pages_done, c.pages_total, c.bytes_done, c.bytes_total, c.seconds),
              c.line);
}

TEST(FormatSummaryLine, PagesMebibytesSecondsAndTheOutput) {
  EXPECT_EQ(FormatSummaryLine(200, 31, 4, 100 * kMiB, 12.34, "out"),
            "200 pages locked, 31 files copied, 4 left out, 100.0 MiB, 12.3 s: out");
  EXPECT_EQ(FormatSummaryLine(1, 1, 0, 0, 0.0, "/tmp/a b"),
            "1 page locked, 1 file copied, 0 left out, 0.0 MiB, 0.0 s: /tmp/a b");
}

TEST(OverwriteLine, BlanksCoverWhatIsLeftOfTheOldLine) {
  EXPECT_EQ(OverwriteLine("abc", 0), "\rabc");
  EXPECT_EQ(OverwriteLine("abc", 5), "\rabc  ");
  EXPECT_EQ(OverwriteLine("abcdef", 5), "\rabcdef");
}

}  // namespace
