// The vectorised inner loop against the byte-at-a-time one, over every byte
// value, every key-cycle length and every run length up to a few blocks.
#include "engine/format/xor/escape_run.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/format/xor/page_encoding.h"

namespace {

KeyStream Stream(unsigned cycle, std::mt19937& random) {
  KeyStream s{};
  s.cycle = cycle;
  unsigned char keys[256];
  for (unsigned i = 0; i < cycle; ++i) keys[i] = static_cast<unsigned char>(random());
  for (unsigned k = 0; k < sizeof s.keys; ++k) s.keys[k] = keys[k % cycle];
  s.index = static_cast<unsigned>(random() % cycle);
  return s;
}

TEST(EscapeRun, AgreesWithThePlainLoop) {
  std::mt19937 random(7);
  for (unsigned cycle : {1u, 2u, 3u, 7u, 15u, 16u, 17u, 44u, 255u}) {
    for (std::size_t n = 0; n < 70; ++n) {
      std::string in(n, '\0');
      for (auto& c : in) c = static_cast<char>(1 + random() % 255);
      KeyStream a = Stream(cycle, random);
      KeyStream b = a;
      std::string out_a(2 * n + kEscapeRunSlack, '\0'), out_b(2 * n + kEscapeRunSlack, '\0');
      const auto* bytes = reinterpret_cast<const unsigned char*>(in.data());
      const std::size_t len_a = EscapeRun(bytes, n, out_a.data(), a) - out_a.data();
      const std::size_t len_b = EscapeRunPlain(bytes, n, out_b.data(), b) - out_b.data();
      ASSERT_EQ(out_a.substr(0, len_a), out_b.substr(0, len_b)) << "cycle " << cycle << " n " << n;
      ASSERT_EQ(a.index, b.index);
    }
  }
}

TEST(EscapeRun, EveryMaskedByteEscapesAsEncodeByteSays) {
  // Keys of 0 leave each byte as it is, so every value passes through.
  KeyStream s{};
  s.cycle = 1;
  std::string in;
  for (int v = 1; v < 256; ++v) in += static_cast<char>(v);
  std::string out(2 * in.size() + kEscapeRunSlack, '\0');
  const std::size_t len =
      EscapeRun(reinterpret_cast<const unsigned char*>(in.data()), in.size(), out.data(), s) - out.data();
  std::string expected;
  for (int v = 1; v < 256; ++v) expected += EncodeByte(static_cast<unsigned char>(v));
  EXPECT_EQ(out.substr(0, len), expected);
}

}  // namespace
