// What the fuzz harnesses share: a scratch folder in memory for readers that
// take a path, a strong block written with a low round count, and a check
// that stops the run with the reason when a reader breaks its contract.
#pragma once

#include <cstdint>
#include <string>

#include "engine/template/payload_area.h"
#include "fileio/block_sink.h"

namespace fuzz {

// Prints what broke and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);
inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// A fresh path in the harness's scratch folder (in /dev/shm when there is
// one), removed with the folder when the process ends.
std::string ScratchPath(const std::string& name);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

// The round count the harnesses lock with. A strong block records its count
// as its second literal, and the reader accepts any count from 1 up to its
// ceiling (in fuzzing builds a low one, engine/format/strong/
// strong_format.h), so the seeds open through the shipped reader.
inline constexpr std::uint32_t kFuzzIterations = 2;

// Writes the strong block (format 1 or 2) of `page` with kFuzzIterations
// rounds and fixed salts, every line ending in `line_break`.
void WriteLowCostStrongBlock(const std::string& page, const std::string& password, bool format2,
                             bool text_page, const std::string& line_break, TBlockSink& sink);
// The XOR block of `page`, through the lock's own codec. False for a page
// with a 0 byte, which the lock refuses for the XOR block.
bool WriteXorBlock(const std::string& page, const std::string& password, bool text_page,
                   const std::string& line_break, TBlockSink& sink);

// `start_page` with `block` in its payload area; false when it has none.
bool SpliceBlock(const std::string& start_page, const std::string& block, std::string* locked,
                 TPayloadArea* area);

}  // namespace fuzz
