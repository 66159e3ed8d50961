// The encoder's inner loop: masks a run of page bytes with the password's
// key stream and writes their escaped forms. Kept apart so that the
// vectorised form and the plain one are checked against each other.
#pragma once

#include <cstddef>

// The keys of one password cycle, repeated far enough that 16 keys can be
// read from any position of the cycle.
struct KeyStream {
  unsigned char keys[256 + 16];
  unsigned cycle;
  unsigned index;
};

// Encodes `n` bytes (none of them 0) from `in` at `out` and returns the new
// end of the output. May write up to 16 bytes past the returned end; the
// caller leaves that room. Advances the stream's index.
char* EscapeRun(const unsigned char* in, std::size_t n, char* out, KeyStream& stream);

// The same, one byte at a time, on every processor.
char* EscapeRunPlain(const unsigned char* in, std::size_t n, char* out, KeyStream& stream);

// Room EscapeRun may write past its end.
inline constexpr std::size_t kEscapeRunSlack = 16;
