// The keyring reader: any bytes as a keyring file, parsed, and opened
// through its file with the seeds' owner password and a wrong one.
// - An accepted keyring writes back as exactly the input (less the CR of
//   each CR LF): nothing in it went unchecked, and nothing was dropped.
// - Opening succeeds only for a keyring the parser accepts, never with the
//   wrong password, and hands out a 32-byte K and R for every slot; a
//   refused one hands out nothing.
// - A change of an opened keyring (a reader added) reads back whole.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/format/strong/keyring_format.h"
#include "engine/format/strong/site_keys.h"
#include "engine/format/strong/strong_format.h"
#include "engine/keyring.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr char kOwner[] = "fuzz owner";  // the seeds' owner password

std::string WithoutCrBeforeLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TKeyring parsed;
  const TKeyringParse parse = ParseKeyring(text, &parsed);
  if (parse == TKeyringParse::Ok) {
    fuzz::Check(KeyringText(parsed) == WithoutCrBeforeLf(text),
                "an accepted keyring that does not write back as itself");
    fuzz::Check(!parsed.slots.empty() && parsed.slots.size() <= kKeyringMaxSlots,
                "a slot count out of range");
    for (const TKeyringSlot& slot : parsed.slots)
      fuzz::Check(KeySlotNameIsValid(slot.name) && slot.reader_key.empty(), "a slot accepted unchecked");
    if (parsed.iterations > kStrongMaxIterations) return 0;
  } else {
    fuzz::Check(parsed.slots.empty() && parsed.content_key.empty(), "a refused keyring keeps slots");
  }

  static const std::string path = fuzz::ScratchPath("site.keyring");
  fuzz::WriteFile(path, text);
  TSiteKeys keys;
  const TOutcome opened = OpenKeyring(path, kOwner, &keys);
  if (!opened.ok()) {
    fuzz::Check(keys.content_key.empty() && keys.slots.empty(), "a refused keyring handed out keys");
    fuzz::Check(opened.problem.message.text != nullptr, "a refusal without a message");
    return 0;
  }
  fuzz::Check(parse == TKeyringParse::Ok, "opened a keyring the parser refuses");
  fuzz::Check(keys.content_key.size() == 32 && keys.slots.size() == parsed.slots.size(), "keys missing");
  for (std::size_t i = 0; i < keys.slots.size(); ++i)
    fuzz::Check(keys.slots[i].reader_key.size() == 32 &&
                    std::string(keys.slots[i].id.begin(), keys.slots[i].id.end()) == parsed.slots[i].id,
                "a slot's keys differ from its line");
  TSiteKeys wrong;
  fuzz::Check(!OpenKeyring(path, "not the owner", &wrong).ok(), "opened with a wrong owner password");

  const TOutcome added = AddKeyringReader(path, kOwner, "fuzz added reader", "a reader's password");
  TSiteKeys again;
  fuzz::Check(OpenKeyring(path, kOwner, &again).ok(), "a changed keyring does not open");
  fuzz::Check(again.content_key == keys.content_key, "a change lost K");
  fuzz::Check(again.slots.size() == keys.slots.size() + (added.ok() ? 1 : 0),
              "a change lost or kept a slot");
  return 0;
}
