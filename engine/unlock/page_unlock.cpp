#include "engine/page_unlock.h"

#include <algorithm>

#include "engine/format/block_reader.h"
#include "engine/format/strong/strong_block_decoder.h"
#include "engine/format/strong/strong_format.h"
#include "engine/format/xor/xor_block_decoder.h"
#include "fileio/block_sink.h"
#include "fileio/file_writer.h"
#include "platform/path_kind.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// The output's sink as the observer sees the run: after each piece the
// decoder writes, how far the locked page has been read, and whether to
// stop; a stop refuses the next piece, which ends the decoder.
class TObservedSink : public TBlockSink {
 public:
  TObservedSink(TBlockSink& inner, const TBlockReader& reader, std::uint64_t total, TRunObserver* observer)
      : inner_(inner), reader_(reader), total_(total), observer_(observer) {}
  bool Put(const char* data, std::size_t size) override {
    if (cancelled_) return false;
    if (observer_ && observer_->Cancelled()) {
      cancelled_ = true;
      return false;
    }
    if (!inner_.Put(data, size)) return false;
    if (observer_ && total_ > 0) {
      TProgress progress;
      progress.bytes_total = total_;
      progress.bytes_done = std::min(reader_.BytesRead(), total_);
      observer_->Progress(progress);
    }
    return true;
  }
  using TBlockSink::Put;
  bool cancelled() const { return cancelled_; }

 private:
  TBlockSink& inner_;
  const TBlockReader& reader_;
  const std::uint64_t total_;
  TRunObserver* const observer_;
  bool cancelled_ = false;
};

TUnlockResult Decode(TBlockReader& reader, const std::string& locked_path, const TUnlockKey& key,
                     TBlockSink& out) {
  std::string first;
  bool last = false;
  const TBlockReader::TStatus status = reader.Next(&first, &last);
  if (status == TBlockReader::TStatus::ReadFailed)
    return Failed({{messages::kUnlockCannotRead, {locked_path, reader.LastErrorText()}}, {}});
  if (status != TBlockReader::TStatus::Ok)
    return Failed({{messages::kUnlockNotLocked, {locked_path, reader.Problem()}}, {}});
  if (first == kStrongFormatName || first == kStrongFormat2Name || first == kStrongFormat3Name) {
    if (last)
      return Failed({{messages::kUnlockDamaged, {"the block ends within its header"}}, {}});
    return DecodeStrongBlock(reader, first, key, out);
  }
  if (IsCheckValueLiteral(first)) {
    if (key.kind != TUnlockKey::TKind::Password)
      return Failed({{messages::kUnlockLinkNotForFormat1, {}}, {}});
    return DecodeXorBlock(reader, first, last, key.password.Typed(), out);
  }
  // Every strong format's name starts so; one this program does not know
  // was written by a later release.
  if (first.rfind("ZENDREL-", 0) == 0) return Failed({{messages::kUnlockNewerVersion, {locked_path}}, {}});
  return Failed({{messages::kUnlockUnknownFormat, {locked_path}}, {}});
}

}  // namespace

TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TPassword& password) {
  TUnlockKey key;
  key.password = password;
  return UnlockPage(locked_path, output_path, key);
}

TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TUnlockKey& key, TRunObserver* observer) {
  if (platform::PathExists(output_path))
    return Failed({{messages::kUnlockOutputExists, {output_path}}, {}});
  // Opening a FIFO would wait for a writer, and a device may never end.
  switch (platform::KindOfPath(locked_path)) {
    case platform::PathKind::Directory:
      return Failed({{messages::kUnlockFolder, {locked_path}}, {}});
    case platform::PathKind::Special:
      return Failed({{messages::kUnlockSpecial, {locked_path}}, {}});
    case platform::PathKind::Missing:
    case platform::PathKind::Regular:
      break;
  }
  TBlockReader reader;
  switch (reader.Open(locked_path)) {
    case TBlockReader::TStatus::Ok:
      break;
    case TBlockReader::TStatus::ReadFailed:
      return Failed({{messages::kUnlockCannotRead, {locked_path, reader.LastErrorText()}}, {}});
    case TBlockReader::TStatus::NoBlock:
      return Failed({{messages::kUnlockNoMarker, {locked_path}}, {}});
    case TBlockReader::TStatus::Malformed:
      return Failed({{messages::kUnlockNotLocked, {locked_path, reader.Problem()}}, {}});
  }

  // The page comes out in clear, so readable by its owner only, whatever
  // the locked page's mode. A run holds its temporary file while it writes:
  // one found unheld was left by a run that was stopped.
  const std::string temp = output_path + kUnlockTempSuffix;
  if (platform::PathExists(temp)) {
    if (platform::IsHeld(temp)) return Failed({{messages::kUnlockTempHeld, {temp}}, {}});
    if (!platform::RemoveFile(temp))
      return Failed({{messages::kUnlockLeftoverNotRemoved, {temp, platform::LastErrorText()}}, {}});
    return Failed({{messages::kUnlockLeftoverRemoved, {temp}}, {}});
  }
  const platform::FileHandle file = platform::CreateHeldPrivate(temp);
  if (file == platform::kInvalidHandle)
    return Failed({{messages::kUnlockCannotCreate, {temp, platform::LastErrorText()}}, {}});
  TFileWriter sink(file);
  std::uint64_t total = 0;
  if (!platform::RegularFileSize(locked_path, &total)) total = 0;
  TObservedSink observed(sink, reader, total, observer);
  TUnlockResult result = Decode(reader, locked_path, key, observed);
  if (observed.cancelled()) {
    result = TUnlockResult();
    result.status = TStatus::Cancelled;
  }
  // A decoder that could not write says so without the file's name; the
  // sink keeps the system's reason, taken when the write failed.
  if (result.ok() && !sink.Flush()) result = Failed({{messages::kUnlockCannotWrite, {}}, {}});
  if (result.cause() == messages::kUnlockCannotWrite)
    result.problem.message.arguments = {temp, sink.Reason()};
  platform::CloseFile(file);

  // RenameFile refuses an existing target, so a file that appeared meanwhile
  // is not overwritten either.
  if (result.ok() && !platform::RenameFile(temp, output_path)) {
    const std::string why = platform::LastErrorText();
    result = Failed(platform::PathExists(output_path)
                        ? TProblem{{messages::kUnlockOutputExists, {output_path}}, {}}
                        : TProblem{{messages::kUnlockCannotRename, {temp, output_path, why}}, {}});
  }
  if (!result.ok()) platform::RemoveFile(temp);
  return result;
}
