#include "app/common/command_line.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

using Words = std::vector<std::string>;

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(SplitCommandLine("zendrel a b  c\td"), (Words{"zendrel", "a", "b", "c", "d"}));
  EXPECT_EQ(SplitCommandLine("zendrel \"Source Hide\" page.html"),
            (Words{"zendrel", "Source Hide", "page.html"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\zendrel.exe\" x"),
            (Words{"C:\\Program Files\\zendrel.exe", "x"}));
  EXPECT_EQ(SplitCommandLine("zendrel a\"b c\"d"), (Words{"zendrel", "ab cd"})) << "quotes inside a word";
  EXPECT_EQ(SplitCommandLine("   "), Words{});
}

TEST(SplitCommandLine, EmptyQuotedArgumentsAreSkipped) {
  EXPECT_EQ(SplitCommandLine("zendrel T page.html backup.html \"\""),
            (Words{"zendrel", "T", "page.html", "backup.html"}));
  EXPECT_EQ(SplitCommandLine("zendrel \"\" \"\"\"\" x"), (Words{"zendrel", "x"}));
}

TEST(SplitCommandLine, AnOpenQuoteRunsToTheEnd) {
  EXPECT_EQ(SplitCommandLine("zendrel \"a b"), (Words{"zendrel", "a b"}));
}

TEST(ProgramArguments, OnPosixTakeArgvWithoutTheNameAndEmptyWords) {
  if (platform::PathSeparator() != '/') GTEST_SKIP() << "Windows splits its own raw command line";
  char program[] = "zendrel";
  char first[] = "T";
  char empty[] = "";
  char last[] = "pw";
  char* argv[] = {program, first, empty, last, nullptr};
  EXPECT_EQ(ProgramArguments(4, argv), (Words{"T", "pw"}));
}

}  // namespace
