// Opening a keyring site's page (format 3) with a reader's password, as
// zendrel unlock does: one PBKDF2 derivation (600,000 rounds), then the
// slots tried in page order with one AES-GCM unwrap each, then the page's
// chunks. The reader's slot is the last, so every other slot is tried
// first: the worst case for a page with 1, 256 or 4096 slots. The goal: 256
// slots take at most 1.1 times the time of one.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "engine/format/base64.h"
#include "engine/format/strong/key_wraps.h"
#include "engine/format/strong/keyring_codec.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/page_unlock.h"
#include "fileio/block_sink.h"
#include "fileio/byte_source.h"
#include "platform/crypto.h"

namespace {

const char kPassword[] = "the last reader's password";

std::string Random(std::size_t n) {
  std::string bytes(n, '\0');
  platform::SystemRandom(bytes.data(), n);
  return bytes;
}

TKeySlot Slot(const std::string& site_salt, const std::string& password_key) {
  TKeySlot slot;
  const std::string id = Random(kStrongSlotIdSize);
  std::copy(id.begin(), id.end(), slot.id.begin());
  slot.reader_key = Random(32);
  SealKeyWrap(password_key, slot.reader_key,
              StrongWrapAad(Base64Encode(site_salt), Base64Encode(id), kStrongReaderWrapLabel), &slot.reader_wrap);
  return slot;
}

// A 20 KB page locked with `slots` slots, the reader's last.
std::string LockedPage(std::size_t slots) {
  const auto folder = std::filesystem::temp_directory_path();
  const std::string page = (folder / "zendrel-bench-keyring-page").string();
  std::ofstream(page, std::ios::binary) << std::string(20000, 'x');
  TSiteKeys keys;
  keys.site_salt = Random(kStrongSaltSize);
  keys.content_key = Random(32);
  for (std::size_t i = 1; i < slots; ++i) keys.slots.push_back(Slot(keys.site_salt, Random(32)));
  std::string reader_key;
  DeriveSiteKey(kPassword, keys.site_salt, keys.iterations, &reader_key);
  keys.slots.push_back(Slot(keys.site_salt, reader_key));
  std::unique_ptr<TKeyringCodec> codec;
  TKeyringCodec::Make(keys, &codec);
  TByteSource source;
  source.Open(page);
  TStringSink block;
  codec->WriteBlock(source, false, "\r\n", block);
  const std::string locked = page + "-" + std::to_string(slots) + ".html";
  std::ofstream(locked, std::ios::binary) << "<script>\r\n//Page Begin\r\n" << block.Text << "//Page End\r\n</script>\r\n";
  return locked;
}

void BM_OpenKeyringPage(benchmark::State& state) {
  const std::string locked = LockedPage(static_cast<std::size_t>(state.range(0)));
  const std::string out = locked + ".out";
  for (auto _ : state) {
    std::filesystem::remove(out);
    if (!UnlockPage(locked, out, kPassword).ok()) state.SkipWithError("did not open");
  }
  std::filesystem::remove(out);
  std::filesystem::remove(locked);
}
BENCHMARK(BM_OpenKeyringPage)->Arg(1)->Arg(256)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
