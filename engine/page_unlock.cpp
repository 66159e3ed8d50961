#include "engine/page_unlock.h"

#include "engine/block_reader.h"
#include "engine/strong_block_decoder.h"
#include "engine/strong_format.h"
#include "engine/xor_block_decoder.h"
#include "fileio/block_sink.h"
#include "fileio/file_writer.h"
#include "platform/path_kind.h"
#include "platform/platform.h"

namespace {

TUnlockResult Decode(TBlockReader& reader, const std::string& locked_path, const TPassword& password,
                     TBlockSink& out) {
  std::string first;
  bool last = false;
  const TBlockReader::TStatus status = reader.Next(&first, &last);
  if (status == TBlockReader::TStatus::ReadFailed)
    return {TUnlockStatus::ReadFailed, "Cannot read " + locked_path + ": " + reader.LastErrorText()};
  if (status != TBlockReader::TStatus::Ok)
    return {TUnlockStatus::NotLocked, locked_path + " is not a locked page: " + reader.Problem() + "."};
  if (first == kStrongFormatName || first == kStrongFormat2Name) {
    if (last)
      return {TUnlockStatus::Damaged, "The locked page is damaged: the block ends within its header."};
    return DecodeStrongBlock(reader, first, password, out);
  }
  if (IsCheckValueLiteral(first)) return DecodeXorBlock(reader, first, last, password.Typed(), out);
  // Every strong format's name starts so; one this program does not know
  // was written by a later release.
  if (first.rfind("ZENDREL-", 0) == 0)
    return {TUnlockStatus::NotLocked, locked_path + ": This page was locked by a newer version of Zendrel."};
  return {TUnlockStatus::NotLocked,
          locked_path + " is not a locked page: its block is of no format this program knows."};
}

}  // namespace

TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TPassword& password) {
  if (platform::PathExists(output_path))
    return {TUnlockStatus::OutputExists, output_path + " exists already; it is not overwritten."};
  // Opening a FIFO would wait for a writer, and a device may never end.
  switch (platform::KindOfPath(locked_path)) {
    case platform::PathKind::Directory:
      return {TUnlockStatus::ReadFailed, locked_path + " is a folder, not a locked page."};
    case platform::PathKind::Special:
      return {TUnlockStatus::ReadFailed,
              locked_path + " is a pipe, a socket or a device, not a locked page; it is not read."};
    case platform::PathKind::Missing:
    case platform::PathKind::Regular:
      break;
  }
  TBlockReader reader;
  switch (reader.Open(locked_path)) {
    case TBlockReader::TStatus::Ok:
      break;
    case TBlockReader::TStatus::ReadFailed:
      return {TUnlockStatus::ReadFailed, "Cannot read " + locked_path + ": " + reader.LastErrorText()};
    case TBlockReader::TStatus::NoBlock:
      return {TUnlockStatus::NotLocked,
              locked_path + " is not a locked page: it has no \"//Page Begin\" marker."};
    case TBlockReader::TStatus::Malformed:
      return {TUnlockStatus::NotLocked, locked_path + " is not a locked page: " + reader.Problem() + "."};
  }

  // The page comes out in clear, so readable by its owner only, whatever
  // the locked page's mode. A run holds its temporary file while it writes:
  // one found unheld was left by a run that was stopped.
  const std::string temp = output_path + kUnlockTempSuffix;
  if (platform::PathExists(temp)) {
    if (platform::IsHeld(temp))
      return {TUnlockStatus::WriteFailed, temp + " is being written by another run; nothing was written."};
    if (!platform::RemoveFile(temp))
      return {TUnlockStatus::WriteFailed,
              temp +
                  " was left by an earlier run that was stopped (it holds the page "
                  "in clear) and cannot be removed: " +
                  platform::LastErrorText()};
    return {TUnlockStatus::WriteFailed,
            temp +
                " was left by an earlier run that was stopped (it held the page in "
                "clear) and has been removed; nothing was written. Run again."};
  }
  const platform::FileHandle file = platform::CreateHeldPrivate(temp);
  if (file == platform::kInvalidHandle)
    return {TUnlockStatus::WriteFailed, "Cannot create " + temp + ": " + platform::LastErrorText()};
  TFileWriter sink(file);
  TUnlockResult result = Decode(reader, locked_path, password, sink);
  if (result.status == TUnlockStatus::Done && !sink.Flush()) result.status = TUnlockStatus::WriteFailed;
  if (result.status == TUnlockStatus::WriteFailed)
    result.message = "Cannot write " + temp + ": " + sink.Reason();
  platform::CloseFile(file);

  // RenameFile refuses an existing target, so a file that appeared meanwhile
  // is not overwritten either.
  if (result.status == TUnlockStatus::Done && !platform::RenameFile(temp, output_path)) {
    const std::string why = platform::LastErrorText();
    result = platform::PathExists(output_path)
                 ? TUnlockResult{TUnlockStatus::OutputExists,
                                 output_path + " exists already; it is not overwritten."}
                 : TUnlockResult{TUnlockStatus::WriteFailed,
                                 "Cannot rename " + temp + " to " + output_path + ": " + why};
  }
  if (result.status != TUnlockStatus::Done) platform::RemoveFile(temp);
  return result;
}
