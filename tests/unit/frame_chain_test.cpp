// The frame-pointer walk over recorded 32-bit stack images: a saved frame
// pointer and a return address per frame, as the 32-bit edition's stack
// holds them, and the broken chains the walk must stop at. Runs on any
// machine, so the 32-bit walk is checked where 32-bit programs cannot start.
#include "errors/frame_chain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// The image lies across 2 GiB, so that a signed comparison of addresses
// would show: the third frame starts at 0x80000000.
constexpr std::uint32_t B = 0x7FFFFFF0;
constexpr std::uint32_t R1 = 0x00401010, R2 = 0x00402020, R3 = 0x00403030, R4 = 0x00404040;

struct ChainCase {
  const char* name;
  std::vector<std::uint32_t> words;  // the stack from B upwards; its top is right after
  std::uint32_t start;               // the innermost frame
  std::size_t limit;                 // the visitor answers false at this many
  std::vector<std::uint32_t> expected;
};

const ChainCase kCases[] = {
    {"chain to its end", {B + 8, R1, B + 16, R2, B + 24, R3, 0, R4}, B, 99, {R1, R2, R3, R4}},
    {"frames apart", {B + 16, R1, 7, 7, B + 24, R2, 0, R3}, B, 99, {R1, R2, R3}},
    {"visitor stops", {B + 8, R1, B + 16, R2, 0, R3}, B, 2, {R1, R2}},
    {"link below the frame", {B + 8, R1, B + 16, R2, B + 8, R3, B + 24, R4}, B, 99, {R1, R2, R3}},
    {"link to itself", {B, R1, B + 8, R2}, B, 99, {R1}},
    {"loop of two", {B + 8, R1, B, R2}, B, 99, {R1, R2}},
    {"link above the stack", {B + 0x1000, R1, 0, R2}, B, 99, {R1}},
    {"link to the last word", {B + 8, R1, 5}, B, 99, {R1}},
    {"misaligned link", {B + 10, R1, 0, R2, 0, R3}, B, 99, {R1}},
    {"start at the top", {B + 8, R1}, B + 8, 99, {}},
    {"start at zero", {B + 8, R1}, 0, 99, {}},
    {"start misaligned", {B + 8, R1, 0, R2}, B + 2, 99, {}},
};

TEST(FrameChain, Follows32BitStackImages) {
  for (const ChainCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t top = B + static_cast<std::uint32_t>(4 * c.words.size());
    std::vector<std::uint32_t> found;
    FollowFrameChain<std::uint32_t>(
        c.start, top,
        [&](std::uint32_t address) -> std::uint32_t {
          if (address < B || address > top - 4 || address % 4 != 0) {
            ADD_FAILURE() << "read outside the stack at " << std::hex << address;
            return 0;
          }
          return c.words[(address - B) / 4];
        },
        [&](std::uint32_t return_address) {
          found.push_back(return_address);
          return found.size() < c.limit;
        });
    EXPECT_EQ(found, c.expected);
  }
}

}  // namespace
