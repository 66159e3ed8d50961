// Writes the harnesses' seed corpora, made by the program's own parts at
// build time: the start page of every template with CR LF and with LF,
// pages locked into each (the template's protection; the strong ones in
// both formats), pages and texts to lock, the line-information side files
// of the real programs, and command lines and page patterns of every form.
// Usage: make_seeds <output folder> <templates folder> <side file>...
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/format/base64.h"
#include "engine/format/strong/key_wraps.h"
#include "engine/format/strong/keyring_codec.h"
#include "engine/format/strong/strong_keys.h"
#include "engine/format/xor/page_encoding.h"
#include "engine/keyring.h"
#include "engine/template/payload_area.h"
#include "fileio/block_sink.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seal.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPassword[] = "fuzz-password";  // the unlock harness's

// A keyring site's block (format 3) at the harness's low cost: a slot for
// a link first, then the slot the harness's password opens.
std::string KeyringBlock(const std::string& page, bool text_page, const std::string& line_break) {
  TSiteKeys keys;
  keys.site_salt.assign(kStrongSaltSize, 's');
  keys.iterations = fuzz::kFuzzIterations;
  keys.content_key.assign(32, 'k');
  std::string password_key;
  DeriveSiteKey(kPassword, keys.site_salt, keys.iterations, &password_key);
  for (const std::string& key : {std::string(32, 'l'), password_key}) {
    TKeySlot slot;
    slot.id.fill(static_cast<unsigned char>('0' + keys.slots.size()));
    slot.reader_key.assign(32, static_cast<char>('r' + keys.slots.size()));
    const std::string id(slot.id.begin(), slot.id.end());
    SealKeyWrap(key, slot.reader_key,
                StrongWrapAad(Base64Encode(keys.site_salt), Base64Encode(id), kStrongReaderWrapLabel),
                &slot.reader_wrap);
    keys.slots.push_back(slot);
  }
  std::unique_ptr<TKeyringCodec> codec;
  TKeyringCodec::Make(keys, &codec);
  const std::string path = (fs::temp_directory_path() / "make-seeds-keyring-page").string();
  fuzz::WriteFile(path, page);
  TByteSource source;
  TStringSink block;
  if (codec && source.Open(path)) codec->WriteBlock(source, text_page, line_break, block);
  fs::remove(path);
  return block.Text;
}

std::string WithLf(std::string text) {
  std::string out;
  for (const char c : text)
    if (c != '\r') out += c;
  return out;
}

void Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  fuzz::WriteFile((folder / name).string(), bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_seeds <output folder> <templates folder> <side file>...\n");
    return 2;
  }
  const fs::path out = argv[1], templates = argv[2];
  const std::string page = fuzz::Sealed("<!doctype html>\n<title>A page</title>\n<p>Caf\xc3\xa9 'quoted' \\ line\r\n</p>\n");
  const std::string text = fuzz::Sealed("Plain text\nwith two lines\n");
  const std::string big = fuzz::Sealed("<p>" + std::string(70000, 'x') + "</p>\n");  // two sealed chunks
  Put(out / "unlock", "page.html", page);
  Put(out / "unlock", "text.txt", text);
  Put(out / "literals", "base64", "QUJDRA==");

  // Keyrings of the keyring harness's owner password, made by the keys
  // commands' own functions: one reader; readers and a link; CR LF lines.
  {
    const fs::path work = out / "keyring-work";
    fs::create_directories(work);
    const std::string keyring = (work / "site.keyring").string();
    std::string secret;
    CreateKeyring(keyring, "fuzz owner", "Ann", "ann's password", fuzz::kFuzzIterations);
    Put(out / "keyring", "one-reader", fuzz::ReadFile(keyring));
    AddKeyringReader(keyring, "fuzz owner", "B\xc3\xa9n and co", "ben's password");
    AddKeyringLink(keyring, "fuzz owner", "press", &secret);
    const std::string several = fuzz::ReadFile(keyring);
    Put(out / "keyring", "readers-and-link", several);
    std::string crlf;
    for (const char c : several) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Put(out / "keyring", "crlf", crlf);
    fs::remove_all(work);
  }

  // The templates' start pages, and two small ones, quicker to mutate.
  std::vector<std::pair<std::string, std::string>> start_pages = {
      {"small", "<script>\r\n//Page Begin\r\n'');\r\n//Page End\r\n</script>\r\n"},
      {"small-strong", std::string(kStrongProtectionMeta) + "<script>\r\n//Page Begin\r\n'');\r\n//Page End\r\n"}};
  for (const auto& entry : fs::directory_iterator(templates))
    start_pages.push_back(
        {entry.path().filename().string(), fuzz::ReadFile((entry.path() / "index.html").string())});
  for (const auto& [name, own] : start_pages) {
    for (const std::string& start_page : {own, WithLf(own)}) {
      const std::string tag = name + (start_page == own ? "-own" : "-lf");
      Put(out / "payload_area", tag + ".html", start_page);
      std::string locked;
      TPayloadArea area;
      if (!fuzz::SpliceBlock(start_page, "", &locked, &area)) {
        std::fprintf(stderr, "make_seeds: %s has no payload area\n", name.c_str());
        return 1;
      }
      int n = 0;
      for (const auto& [bytes, text_page] : {std::pair{page, false}, {text, true}, {big, false}}) {
        std::vector<std::pair<std::string, std::string>> blocks;  // format, block
        if (area.protection == TProtection::Strong) {
          for (const bool format2 : {false, true}) {
            TStringSink block;
            fuzz::WriteLowCostStrongBlock(bytes, kPassword, format2, text_page, area.line_break, block);
            blocks.push_back({format2 ? "strong2" : "strong1", block.Text});
          }
          blocks.push_back({"strong3", KeyringBlock(bytes, text_page, area.line_break)});
        } else {
          TStringSink block;
          fuzz::WriteXorBlock(bytes, kPassword, text_page, area.line_break, block);
          blocks.push_back({"xor", block.Text});
        }
        for (const auto& [format, block] : blocks) {
          fuzz::SpliceBlock(start_page, block, &locked, &area);
          const std::string file = tag + "-" + format + "-" + std::to_string(n) + ".html";
          if (n != 2) Put(out / "literals", file, locked);
          Put(out / "unlock", file, locked);
          Put(out / "decoder", file, locked);
        }
        ++n;
      }
    }
  }

  // The line-information harness takes an offset to look up (4 bytes) and
  // a side file's body (without its 64-byte header); it reads the first
  // 4 KiB, where the tables begin.
  for (int i = 3; i < argc; ++i) {
    const std::string side = fuzz::ReadFile(argv[i]);
    if (side.size() < 64) return 1;
    const std::string body = side.substr(64, 4092);
    for (const std::string& offset : {std::string(4, '\0'), std::string("\x40\x10\0\0", 4)})
      Put(out / "line_info", fs::path(argv[i]).filename().string() + "-" + std::to_string(offset[0] + offset[1]),
          offset + body);
  }

  const std::vector<std::string> patterns = {"*.html\nindex.html", "*.HTM\ndrafts/a.htm", "drafts/*\ndrafts/a.html",
                                             "?.htm\nab.htm", "a*b*c\naXbYcZ", "*/a.html\nx/a.html"};
  for (std::size_t i = 0; i < patterns.size(); ++i) Put(out / "page_patterns", std::to_string(i), patterns[i]);
  using namespace std::string_literals;
  const std::vector<std::string> lines = {
      "lock\0--template\0Dark\0--password-env\0PW\0--yes\0page.html\0backup.html"s,
      "site\0--include\0*.htm\0--exclude\0drafts/*\0--jobs\0002\0--force\0--\0src\0out"s,
      "Light\0page.html\0backup.html\0secret"s,
      "lock\0a\0b\0c"s,
      "--help"s,
      "-V"s,
      "zendrel.exe \"Source Hide\" page.html \"back up.html\" \"\" pass\"word\""s,
      "zendrel lock --password-file pw.txt --share-url https://example.com/ \"my page.html\" b.html"s,
  };
  for (std::size_t i = 0; i < lines.size(); ++i) Put(out / "cli_arguments", std::to_string(i), lines[i]);
  return 0;
}
