// The buffered file cursor on real files in a temporary folder.
#include "fileio/fast_io.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

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

}  // namespace
