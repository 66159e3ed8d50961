#include "engine/page_unlock.h"

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

TUnlockResult Decode(TBlockReader& reader, const std::string& locked_path, const TUnlockKey& key,
                     TBlockSink& out) {
  std::string first;
  bool last = false;
  const TBlockReader::TStatus status = reader.Next(&first, &last);
  if (status == TBlockReader::TStatus::ReadFailed)
    return {TUnlockStatus::ReadFailed,
            messages::Format(messages::kUnlockCannotRead, {locked_path, reader.LastErrorText()})};
  if (status != TBlockReader::TStatus::Ok)
    return {TUnlockStatus::NotLocked,
            messages::Format(messages::kUnlockNotLocked, {locked_path, reader.Problem()})};
  if (first == kStrongFormatName || first == kStrongFormat2Name || first == kStrongFormat3Name) {
    if (last)
      return {TUnlockStatus::Damaged,
              messages::Format(messages::kUnlockDamaged, {"the block ends within its header"})};
    return DecodeStrongBlock(reader, first, key, out);
  }
  if (IsCheckValueLiteral(first)) {
    if (key.kind != TUnlockKey::TKind::Password)
      return {TUnlockStatus::WrongPassword, messages::kUnlockLinkNotForFormat1};
    return DecodeXorBlock(reader, first, last, key.password.Typed(), out);
  }
  // Every strong format's name starts so; one this program does not know
  // was written by a later release.
  if (first.rfind("ZENDREL-", 0) == 0)
    return {TUnlockStatus::NotLocked, messages::Format(messages::kUnlockNewerVersion, {locked_path})};
  return {TUnlockStatus::NotLocked, messages::Format(messages::kUnlockUnknownFormat, {locked_path})};
}

}  // namespace

TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TPassword& password) {
  TUnlockKey key;
  key.password = password;
  return UnlockPage(locked_path, output_path, key);
}

TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TUnlockKey& key) {
  if (platform::PathExists(output_path))
    return {TUnlockStatus::OutputExists, messages::Format(messages::kUnlockOutputExists, {output_path})};
  // Opening a FIFO would wait for a writer, and a device may never end.
  switch (platform::KindOfPath(locked_path)) {
    case platform::PathKind::Directory:
      return {TUnlockStatus::ReadFailed, messages::Format(messages::kUnlockFolder, {locked_path})};
    case platform::PathKind::Special:
      return {TUnlockStatus::ReadFailed, messages::Format(messages::kUnlockSpecial, {locked_path})};
    case platform::PathKind::Missing:
    case platform::PathKind::Regular:
      break;
  }
  TBlockReader reader;
  switch (reader.Open(locked_path)) {
    case TBlockReader::TStatus::Ok:
      break;
    case TBlockReader::TStatus::ReadFailed:
      return {TUnlockStatus::ReadFailed,
              messages::Format(messages::kUnlockCannotRead, {locked_path, reader.LastErrorText()})};
    case TBlockReader::TStatus::NoBlock:
      return {TUnlockStatus::NotLocked, messages::Format(messages::kUnlockNoMarker, {locked_path})};
    case TBlockReader::TStatus::Malformed:
      return {TUnlockStatus::NotLocked,
              messages::Format(messages::kUnlockNotLocked, {locked_path, reader.Problem()})};
  }

  // The page comes out in clear, so readable by its owner only, whatever
  // the locked page's mode. A run holds its temporary file while it writes:
  // one found unheld was left by a run that was stopped.
  const std::string temp = output_path + kUnlockTempSuffix;
  if (platform::PathExists(temp)) {
    if (platform::IsHeld(temp))
      return {TUnlockStatus::WriteFailed, messages::Format(messages::kUnlockTempHeld, {temp})};
    if (!platform::RemoveFile(temp))
      return {TUnlockStatus::WriteFailed,
              messages::Format(messages::kUnlockLeftoverNotRemoved, {temp, platform::LastErrorText()})};
    return {TUnlockStatus::WriteFailed, messages::Format(messages::kUnlockLeftoverRemoved, {temp})};
  }
  const platform::FileHandle file = platform::CreateHeldPrivate(temp);
  if (file == platform::kInvalidHandle)
    return {TUnlockStatus::WriteFailed,
            messages::Format(messages::kUnlockCannotCreate, {temp, platform::LastErrorText()})};
  TFileWriter sink(file);
  TUnlockResult result = Decode(reader, locked_path, key, sink);
  if (result.status == TUnlockStatus::Done && !sink.Flush()) result.status = TUnlockStatus::WriteFailed;
  if (result.status == TUnlockStatus::WriteFailed)
    result.message = messages::Format(messages::kUnlockCannotWrite, {temp, sink.Reason()});
  platform::CloseFile(file);

  // RenameFile refuses an existing target, so a file that appeared meanwhile
  // is not overwritten either.
  if (result.status == TUnlockStatus::Done && !platform::RenameFile(temp, output_path)) {
    const std::string why = platform::LastErrorText();
    result = platform::PathExists(output_path)
                 ? TUnlockResult{TUnlockStatus::OutputExists,
                                 messages::Format(messages::kUnlockOutputExists, {output_path})}
                 : TUnlockResult{TUnlockStatus::WriteFailed,
                                 messages::Format(messages::kUnlockCannotRename, {temp, output_path, why})};
  }
  if (result.status != TUnlockStatus::Done) platform::RemoveFile(temp);
  return result;
}
