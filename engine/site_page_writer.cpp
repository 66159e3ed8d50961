#include "engine/site_page_writer.h"

#include <algorithm>
#include <utility>

#include "engine/block_sink.h"
#include "engine/file_sink.h"
#include "engine/page_encoding.h"
#include "engine/strong_block.h"
#include "engine/template_installation.h"
#include "fileio/fast_io.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// Passes the block on while the run is not cancelled, and tells after each
// piece how far the encoder has read. A cancelled run refuses the next
// piece, which stops the encoder.
class TWatchedSink : public TBlockSink {
 public:
  TWatchedSink(TBlockSink& inner, const std::atomic<bool>& cancel, std::function<void()> after)
      : inner_(inner), cancel_(cancel), after_(std::move(after)) {}
  bool Put(const char* data, std::size_t size) override {
    if (cancel_.load(std::memory_order_relaxed)) {
      cancelled_ = true;
      return false;
    }
    if (!inner_.Put(data, size)) return false;
    if (after_) after_();
    return true;
  }
  using TBlockSink::Put;
  bool cancelled() const { return cancelled_; }

 private:
  TBlockSink& inner_;
  const std::atomic<bool>& cancel_;
  std::function<void()> after_;
  bool cancelled_ = false;
};

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  const platform::FileHandle h = platform::OpenForReading(path);
  if (h == platform::kInvalidHandle) return false;
  bytes->clear();
  char buffer[1 << 14];
  std::uint32_t got = 0;
  bool ok;
  while ((ok = platform::ReadFileBytes(h, buffer, sizeof buffer, &got)) && got > 0)
    bytes->append(buffer, got);
  platform::CloseFile(h);
  return ok;
}

}  // namespace

bool TSitePageWriter::Prepare(const TTemplate& template_, const std::string& password, TLockMessage* why,
                              std::string* reason) {
  if (password.empty()) {
    *why = {messages::kPasswordNotEntered, {}};
    return false;
  }
  const std::string start_page = template_.folder + kTemplateStartPage;
  std::uint64_t size = 0;
  if (!platform::RegularFileSize(start_page, &size)) {
    *why = {messages::kTemplateNotFound, {template_.name, start_page}};
    return false;
  }
  std::string bytes;
  TFastIO page;
  TPayloadArea area;
  if (!ReadWholeFile(start_page, &bytes) || !page.Open(start_page)) {
    *reason = platform::LastErrorText();
    *why = {messages::kCannotReadFile, {start_page}};
    return false;
  }
  if (!FindPayloadArea(page, &area) || area.end > bytes.size()) {
    *why = {messages::kWrongTemplate, {}};
    return false;
  }
  head_ = bytes.substr(0, area.begin);
  tail_ = bytes.substr(area.end);
  protection_ = area.protection;
  // The XOR block uses the password's length mod 256: a multiple of 256
  // would leave one byte of it.
  if (protection_ == TProtection::Xor && password.size() % 256 == 0) {
    *why = {messages::kPasswordLengthMultipleOf256, {}};
    return false;
  }
  password_ = password;
  return true;
}

bool TSitePageWriter::Write(const std::string& page, bool text_page, const std::string& to,
                            const std::function<void(std::uint64_t done)>& progress,
                            const std::atomic<bool>& cancel, TLockMessage* why, std::string* reason) const {
  *why = {};
  std::uint64_t size = 0;
  TFastIO source;
  if (!platform::RegularFileSize(page, &size) || !source.Open(page)) {
    *reason = platform::LastErrorText();
    *why = {messages::kCannotReadFile, {page}};
    return false;
  }
  // The XOR block's file offsets are 32 bits wide, and every byte may take
  // two digits.
  if (protection_ == TProtection::Xor && size > 0x7FFFFFFFull / 2) {
    *why = {messages::kPageTooLarge, {page}};
    return false;
  }
  const platform::FileHandle out = platform::CreateExclusive(to);
  if (out == platform::kInvalidHandle) {
    *reason = platform::LastErrorText();
    *why = {messages::kCannotCreateFile, {to}};
    return false;
  }
  // The locked page is readable by no more people than the page.
  platform::CopyPermissions(page, to);
  TFileSink file(out);
  bool ok;
  bool cancelled = false;
  std::string read_error;
  if (protection_ == TProtection::Xor) {
    TWatchedSink sink(file, cancel, [&] { progress(std::min<std::uint64_t>(source.Position, size)); });
    ok = file.Put(head_) && WritePageBlock(source, password_, text_page, sink);
    cancelled = sink.cancelled();
    // The encoder stops at the first 0 byte it reads, and a failed read
    // reads as 0 too: the data must end at the file's end.
    if (ok && !source.IsEndOfFile(source.Position - 1)) {
      ok = false;
      *why = {messages::kPageHasZeroBytes, {page}};
    }
  } else {
    std::uint64_t done = 0;
    TWatchedSink sink(file, cancel, nullptr);
    source.Close();
    ok = file.Put(head_) &&
         WriteStrongBlock(page, password_, text_page, sink, [&](std::uint64_t d, std::uint64_t) {
           done = d;
           progress(done);
         });
    cancelled = sink.cancelled();
    if (!ok && !cancelled && !file.Failed()) read_error = platform::LastErrorText();
  }
  ok = ok && file.Put(tail_);
  const bool closed = platform::CloseFile(out);
  if (ok && closed) return true;
  if (cancelled) {
    *why = {};
    return false;
  }
  if (why->text) return false;
  if (file.Failed() || (ok && !closed)) {
    *reason = file.Failed() ? file.Reason() : platform::LastErrorText();
    *why = {messages::kCannotWriteLockedPage, {to}};
    return false;
  }
  *reason = read_error.empty() ? platform::LastErrorText() : read_error;
  *why = {messages::kCannotReadFile, {page}};
  return false;
}
