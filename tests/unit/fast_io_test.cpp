// The buffered file cursor on real files in a temporary folder, including
// every injected failure of a splice.
#include "fileio/fast_io.h"

#include <gtest/gtest.h>

#include "platform/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::faults::Call;
using platform::faults::ScopedFaultPlan;
using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Pattern(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

class FastIOTest : public ::testing::Test {
 protected:
  std::string Make(const std::string& bytes) {
    WriteFile(path_, bytes);
    return path_;
  }
  TempDir dir_;
  std::string path_ = dir_ / "page.html";
};

TEST_F(FastIOTest, OpenFailsForAMissingFileAndKeepsTheCursorEmpty) {
  TFastIO io;
  EXPECT_FALSE(io.Open(dir_ / "missing.html"));
  EXPECT_FALSE(io.IsOpen());
  EXPECT_EQ(io.ReadChar(), 0);
  EXPECT_EQ(io.GetSize(), 0u);
}

TEST_F(FastIOTest, ReadsForwardThroughTheWindowAndPastItsEnd) {
  const std::string bytes = Pattern(5000);
  TFastIO io;
  ASSERT_TRUE(io.Open(Make(bytes)));
  EXPECT_EQ(io.GetSize(), 5000u);
  std::string read;
  for (char c; (c = io.ReadChar()) != 0;) read += c;
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(io.Position, 5001u) << "the read that met the end still advances";
  EXPECT_EQ(io.ReadChar(), 0);
  EXPECT_EQ(io.Position, 5002u);
}

TEST_F(FastIOTest, WindowStartsExactlyWhereAReadMissed) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make(Pattern(6000))));
  io.Position = 3001;
  EXPECT_EQ(io.PeekChar(), Pattern(6000)[3001]);
  EXPECT_EQ(io.WindowStart, 3001u);
  EXPECT_EQ(io.WindowLength, 2048u);
  io.Position = 10;  // below the window: refill from there
  EXPECT_EQ(io.PeekChar(), Pattern(6000)[10]);
  EXPECT_EQ(io.WindowStart, 10u);
  io.Position = 2057;  // last byte of the window: a hit, no refill
  EXPECT_EQ(io.PeekChar(), Pattern(6000)[2057]);
  EXPECT_EQ(io.WindowStart, 10u);
  io.Position = 7000;  // past the end: 0, window unchanged
  EXPECT_EQ(io.PeekChar(), 0);
  EXPECT_EQ(io.WindowStart, 10u);
  EXPECT_EQ(io.WindowLength, 2048u);
}

TEST_F(FastIOTest, ZeroByteLooksLikeTheEnd) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make(std::string("ab\0cd", 5))));
  EXPECT_EQ(io.ReadChar(), 'a');
  EXPECT_EQ(io.ReadChar(), 'b');
  EXPECT_EQ(io.PeekChar(), 0);
  EXPECT_EQ(io.ReadChar(), 0);
  EXPECT_EQ(io.ReadChar(), 'c');
  io.Position = 0;
  EXPECT_FALSE(io.FindText("cd", 100));
  EXPECT_EQ(io.Position, 2u);
}

TEST_F(FastIOTest, FindTextCountsCandidateStartPositions) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("0123456789//Page Begin\r\n...")));
  io.Position = 0;
  EXPECT_FALSE(io.FindText("//Page Begin", 10)) << "starts exactly limit positions on";
  EXPECT_EQ(io.Position, 10u);
  io.Position = 0;
  EXPECT_TRUE(io.FindText("//Page Begin", 11)) << "starts at the last candidate, runs past it";
  EXPECT_EQ(io.Position, 10u);
  io.Position = 3;
  EXPECT_FALSE(io.FindText("0", 0));
  EXPECT_EQ(io.Position, 3u);
}

TEST_F(FastIOTest, FindTextForTheEndMarkerSkipsTheBeginMarker) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("x//Page Begin\r\n'a',\r\n//Page End\r\ny")));
  ASSERT_TRUE(io.FindText("//Page Begin", 30000));
  EXPECT_EQ(io.Position, 1u);
  ASSERT_TRUE(io.FindText("//Page End", 30000));
  EXPECT_EQ(io.Position, 21u);
  EXPECT_EQ(io.PeekChar(), '/');
}

TEST_F(FastIOTest, FindTextMeetsAPartialMarkerAtTheEnd) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make(Pattern(3000) + "//Page E")));
  EXPECT_FALSE(io.FindText("//Page End", 30000));
  EXPECT_EQ(io.Position, 3008u);
}

TEST_F(FastIOTest, FindTextAcrossTheWindowEdge) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make(Pattern(2040) + "//Page End")));
  ASSERT_TRUE(io.FindText("//Page End", 30000));
  EXPECT_EQ(io.Position, 2040u);
}

TEST_F(FastIOTest, SpliceInPlaceRewritesOnlyTheSpan) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("0123456789")));
  io.Position = 3;
  ASSERT_TRUE(io.Splice("abc", 3));
  EXPECT_EQ(ReadFile(path_), "012abc6789");
  EXPECT_EQ(io.Position, 0u) << "in place reopens as Open does";
  EXPECT_EQ(io.ReadChar(), '0');
  EXPECT_FALSE(Exists(path_ + "~temp~"));
}

TEST_F(FastIOTest, SpliceInsertsDeletesAndReplacesLongerTexts) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("0123456789")));
  io.Position = 5;
  ASSERT_TRUE(io.Splice("<ins>", 0));
  EXPECT_EQ(ReadFile(path_), "01234<ins>56789");
  EXPECT_EQ(io.Position, 5u);
  ASSERT_TRUE(io.Splice("", 5));
  EXPECT_EQ(ReadFile(path_), "0123456789");
  io.Position = 2;
  ASSERT_TRUE(io.Splice(Pattern(5000), 2));
  EXPECT_EQ(ReadFile(path_), "01" + Pattern(5000) + "456789");
  EXPECT_FALSE(Exists(path_ + "~temp~"));
  EXPECT_EQ(io.ReadChar(), 'a') << "the cursor reads the new file";
}

TEST_F(FastIOTest, SpliceWithASpanPastTheEndEndsTheFileAfterTheText) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("0123456789")));
  io.Position = 7;
  ASSERT_TRUE(io.Splice("end", 100));
  EXPECT_EQ(ReadFile(path_), "0123456end");
}

TEST_F(FastIOTest, SpliceKeepsZeroBytesBehindTheSpan) {
  const std::string tail = std::string("after\0zero\0", 11) + Pattern(4000);
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("head[]" + tail)));
  io.Position = 5;
  ASSERT_TRUE(io.Splice("block", 0));
  EXPECT_EQ(ReadFile(path_), "head[block]" + tail);
}

TEST_F(FastIOTest, SpliceRefusesAZeroByteBeforeThePosition) {
  const std::string bytes = std::string("ab\0cdef", 7);
  TFastIO io;
  ASSERT_TRUE(io.Open(Make(bytes)));
  io.Position = 5;
  EXPECT_FALSE(io.Splice("xyz", 1));
  EXPECT_EQ(ReadFile(path_), bytes);
  EXPECT_EQ(io.Position, 3u) << "just past the zero";
  EXPECT_TRUE(io.IsOpen());
  EXPECT_FALSE(Exists(path_ + "~temp~"));
}

TEST_F(FastIOTest, SpliceWithoutAnOpenFileTouchesNothing) {
  TFastIO io;
  EXPECT_FALSE(io.Splice("x", 0));
  EXPECT_FALSE(Exists(path_ + "~temp~"));
}

TEST_F(FastIOTest, NegativeSpanIsRefused) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("0123")));
  EXPECT_FALSE(io.Splice("x", -1));
  EXPECT_EQ(ReadFile(path_), "0123");
}

// Every system call a splice makes, failed in turn: the file is either the
// old one, byte for byte, with a false result, or the new one with true; no
// temporary file is ever left behind.
void CheckEveryFailurePoint(const std::string& path, const std::string& original, const std::string& spliced,
                            std::uint32_t at, const std::string& text, std::int32_t span) {
  std::int64_t calls = 0;
  {
    WriteFile(path, original);
    TFastIO io;
    ASSERT_TRUE(io.Open(path));
    io.Position = at;
    ScopedFaultPlan count;
    ASSERT_TRUE(io.Splice(text, span));
    calls = count.TotalCalls();
  }
  ASSERT_EQ(ReadFile(path), spliced);
  ASSERT_GT(calls, 3);
  for (std::int64_t n = 1; n <= calls; ++n) {
    WriteFile(path, original);
    TFastIO io;
    ASSERT_TRUE(io.Open(path));
    io.Position = at;
    bool result;
    {
      ScopedFaultPlan plan(n);
      result = io.Splice(text, span);
      ASSERT_TRUE(plan.Fired()) << n;
    }
    const std::string now = ReadFile(path);
    if (result) {
      EXPECT_EQ(now, spliced) << "call " << n;
    } else {
      EXPECT_EQ(now, original) << "call " << n;
    }
    EXPECT_FALSE(Exists(path + "~temp~")) << "call " << n;
  }
}

TEST_F(FastIOTest, EveryFailureOfARebuildLeavesTheFileWhole) {
  const std::string original = Pattern(5000) + "//Page Begin\r\n'old',\r\n//Page End\r\n" + Pattern(3000);
  const std::uint32_t at = 5014;
  const std::string text = "'new','longer');\r\n";
  std::string spliced = original;
  spliced.replace(at, 8, text);
  CheckEveryFailurePoint(path_, original, spliced, at, text, 8);
}

TEST_F(FastIOTest, EveryFailureOfAnInPlaceSpliceLeavesTheFileWhole) {
  const std::string original = Pattern(3000);
  std::string spliced = original;
  spliced.replace(100, 4, "WXYZ");
  CheckEveryFailurePoint(path_, original, spliced, 100, "WXYZ", 4);
}

TEST_F(FastIOTest, FailedReplaceKeepsTheOldFileAndReopensIt) {
  TFastIO io;
  ASSERT_TRUE(io.Open(Make("0123456789")));
  io.Position = 4;
  {
    ScopedFaultPlan plan(Call::Replace, 1);
    EXPECT_FALSE(io.Splice("longer text", 1));
  }
  EXPECT_EQ(ReadFile(path_), "0123456789");
  EXPECT_TRUE(io.IsOpen());
  EXPECT_EQ(io.Position, 4u);
  EXPECT_EQ(io.PeekChar(), '4');
}

}  // namespace
