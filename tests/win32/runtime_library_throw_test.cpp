// The runtime library is linked statically into our Windows programs, so the
// throws made inside it (std::vector::at, std::string::substr) pass the
// wrapped throw entry too and are captured like our own.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "errors/stack_capture.h"

namespace {

volatile std::size_t out_of_range_index = 5;

TEST(RuntimeLibraryThrowTest, AThrowInsideTheRuntimeLibraryIsCaptured) {
  InstallStackCapture();
  TraceList.Count = 7;
  TraceList.Entries[0].Address = 0xDEAD;
  std::vector<int> values(2);
  EXPECT_THROW(values.at(out_of_range_index), std::out_of_range);
  EXPECT_NE(TraceList.Count, 7u);
  EXPECT_NE(TraceList.Entries[0].Address, 0xDEADu);

  TraceList.Count = 7;
  TraceList.Entries[0].Address = 0xDEAD;
  const std::string text;
  EXPECT_THROW(text.substr(out_of_range_index), std::out_of_range);
  EXPECT_NE(TraceList.Entries[0].Address, 0xDEADu);
  RemoveStackCapture();
}

}  // namespace
