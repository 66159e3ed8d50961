#include "engine/lock_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/file_sink.h"
#include "engine/page_encoding.h"
#include "engine/settings.h"
#include "engine/strong_block.h"
#include "engine/template_installation.h"
#include "fileio/fast_io.h"
#include "platform/path_parts.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

namespace {

const char kTextExtension[] = ".txt";
const char kHtmlSuffix[] = ".html";

// `why` is the system's reason, taken right after the call that failed.
bool Fail(const std::string& text, const std::string& why) {
  messages::ShowError(text + "\n" + why);
  return false;
}

bool Fail(const std::string& text) {
  messages::ShowError(text);
  return false;
}

// A template is named by its folder: "." and ".." and anything with a path
// in it would reach outside the templates folder.
bool IsTemplateName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  const char* separators = platform::PathSeparator() == '\\' ? "\\/:" : "/";
  return name.find_first_of(separators) == std::string::npos;
}

// Streams the block for the page at `source_path` into `sink`, telling
// `progress` how far it has come.
using TBlockWriter = bool (*)(const std::string& source_path, const std::string& password, bool text_page,
                              TBlockSink& sink, const TLockProgress& progress);

// Passes the block on and, after each piece, tells how much of the page the
// encoder has read.
class TXorProgressSink : public TBlockSink {
 public:
  TXorProgressSink(TBlockSink& inner, const TFastIO& source, std::uint64_t total,
                   const TLockProgress& progress)
      : inner_(inner), source_(source), total_(total), progress_(progress) {}
  bool Put(const char* data, std::size_t size) override {
    if (!inner_.Put(data, size)) return false;
    if (progress_ && total_ > 0) progress_(std::min<std::uint64_t>(source_.Position, total_), total_);
    return true;
  }
  using TBlockSink::Put;

 private:
  TBlockSink& inner_;
  const TFastIO& source_;
  std::uint64_t total_;
  const TLockProgress& progress_;
};

bool WriteXorBlock(const std::string& source_path, const std::string& password, bool text_page,
                   TBlockSink& sink, const TLockProgress& progress) {
  TFastIO source;
  if (!source.Open(source_path)) return false;
  TXorProgressSink reporting(sink, source, source.GetSize(), progress);
  if (!WritePageBlock(source, password, text_page, reporting)) return false;
  // The encoder stops at the first 0 it reads, and a failed read reads as 0
  // too. The page holds no zero byte, so the data must end at the file's end.
  return source.IsEndOfFile(source.Position - 1);
}

// The block writer of each protection.
TBlockWriter BlockWriterFor(TProtection protection) {
  switch (protection) {
    case TProtection::Xor:
      return WriteXorBlock;
    case TProtection::Strong:
      return [](const std::string& source_path, const std::string& password, bool text_page, TBlockSink& sink,
                const TLockProgress& progress) {
        return WriteStrongBlock(source_path, password, text_page, sink, progress);
      };
  }
  return nullptr;
}

// Everything the lock learns from its template before it changes anything.
struct TLockPlan {
  std::string template_folder;
  std::string start_page;
  std::uint32_t start_page_size = 0;
  TPayloadArea area;
  TBlockWriter writer = nullptr;
};

bool CheckTemplate(const std::string& template_name, const std::string& password, TLockPlan* plan) {
  if (!IsTemplateName(template_name))
    return Fail(messages::Format(messages::kNotATemplateName, {template_name}));
  plan->template_folder = TemplatesDir + template_name + platform::PathSeparator();
  plan->start_page = plan->template_folder + kTemplateStartPage;
  std::uint64_t size = 0;
  if (!platform::RegularFileSize(plan->start_page, &size))
    return Fail(messages::Format(messages::kTemplateNotFound, {template_name, plan->start_page}));
  TFastIO start_page;
  if (!start_page.Open(plan->start_page)) {
    const std::string why = platform::LastErrorText();
    return Fail(messages::Format(messages::kCannotReadFile, {plan->start_page}), why);
  }
  plan->start_page_size = static_cast<std::uint32_t>(size);
  if (!FindPayloadArea(start_page, &plan->area)) return Fail(messages::kWrongTemplate);
  plan->writer = BlockWriterFor(plan->area.protection);
  // The XOR block uses the password's length mod 256: a multiple of 256
  // would leave one byte of it.
  if (plan->area.protection == TProtection::Xor && password.size() % 256 == 0)
    return Fail(messages::kPasswordLengthMultipleOf256);
  return true;
}

// A template file landing on the backup would leave no copy of the page.
bool TemplateWouldReplaceBackup(const std::string& template_folder, const std::string& page_path,
                                const std::string& backup_path) {
  for (const auto& destination : TemplateDestinations(template_folder, page_path)) {
    if (destination == page_path) continue;  // the start page does not land there
    if (destination == backup_path || platform::SameFile(destination, backup_path)) {
      messages::ShowError(messages::Format(messages::kBackupInTemplate, {backup_path, destination}));
      return true;
    }
  }
  return false;
}

// The XOR block's worst case: every byte as two digits, plus the quotes and
// line break of every line. Its file offsets are 32 bits wide.
bool LockedPageFits(const TLockPlan& plan, std::uint64_t page_size) {
  const std::uint64_t chunk = ChunkSize > 0 ? static_cast<std::uint64_t>(ChunkSize) : 1;
  const std::uint64_t per_line = 3 + LineBreak.size();
  const std::uint64_t block = 2 * page_size + (page_size / chunk + 4) * per_line + 2 * 40 + 16;
  const std::uint64_t template_bytes = plan.area.begin + (plan.start_page_size - plan.area.end);
  return block + template_bytes <= 0xFFFFFFFFull;
}

// A zero byte ends the XOR block's data (it reads as the end of the page).
// False with a message when the page holds one or cannot be read.
bool PageFreeOfZeroBytes(const std::string& page_path, std::uint64_t size) {
  TFastIO page;
  if (!page.Open(page_path)) {
    const std::string why = platform::LastErrorText();
    return Fail(messages::Format(messages::kCannotReadFile, {page_path}), why);
  }
  while (page.Position < size) {
    const TFastIO::TByteRun run = page.NextRun();
    if (run.length == 0) {
      const std::string why = platform::LastErrorText();
      return Fail(messages::Format(messages::kCannotReadFile, {page_path}), why);
    }
    if (std::memchr(run.data, 0, run.length))
      return Fail(messages::Format(messages::kPageHasZeroBytes, {page_path}));
    page.Position += run.length;
  }
  return true;
}

bool CheckPage(const TLockPlan& plan, const std::string& page_path, const std::string& backup_path) {
  std::uint64_t size = 0;
  if (!platform::RegularFileSize(page_path, &size)) {
    const std::string why = platform::LastErrorText();
    if (platform::PathExists(page_path)) return Fail(messages::Format(messages::kPageNotAFile, {page_path}));
    return Fail(messages::Format(messages::kCannotReadFile, {page_path}), why);
  }
  if (backup_path == page_path || backup_path == page_path + kLockTemporarySuffix ||
      platform::SameFile(backup_path, page_path))
    return Fail(messages::Format(messages::kBackupIsThePage, {backup_path, page_path}));
  if (TemplateWouldReplaceBackup(plan.template_folder, page_path, backup_path)) return false;
  if (plan.area.protection == TProtection::Xor) {
    if (!LockedPageFits(plan, size)) return Fail(messages::Format(messages::kPageTooLarge, {page_path}));
    if (!PageFreeOfZeroBytes(page_path, size)) return false;
  }
  // Replacing the backup with a locked page would throw away the only copy
  // of the original: the usual way there is running a lock a second time.
  if (platform::PathExists(backup_path) && HoldsPageBlock(page_path))
    return Fail(messages::Format(messages::kBackupOfLockedPage, {page_path, backup_path}));
  return true;
}

// The exclusively created file the locked page is built in. It is removed
// again unless it took the page's place.
class TTemporaryPage {
 public:
  explicit TTemporaryPage(std::string path) : path_(std::move(path)) {}
  ~TTemporaryPage() {
    if (handle_ == platform::kInvalidHandle && !created_) return;
    platform::CloseFile(handle_);
    if (created_) platform::RemoveFile(path_);
  }
  TTemporaryPage(const TTemporaryPage&) = delete;
  TTemporaryPage& operator=(const TTemporaryPage&) = delete;

  bool Create() {
    handle_ = platform::CreateExclusive(path_);
    created_ = handle_ != platform::kInvalidHandle;
    return created_;
  }
  // Flushes and closes the file; false with the system's reason.
  bool Finish(std::string* why) {
    const bool flushed = platform::FlushFile(handle_);
    if (!flushed) *why = platform::LastErrorText();
    const bool closed = platform::CloseFile(handle_);
    handle_ = platform::kInvalidHandle;
    if (flushed && !closed) *why = platform::LastErrorText();
    return flushed && closed;
  }
  // The file took the page's place: nothing is left to remove.
  void Release() { created_ = false; }

  const std::string& path() const { return path_; }
  platform::FileHandle handle() const { return handle_; }

 private:
  std::string path_;
  platform::FileHandle handle_ = platform::kInvalidHandle;
  bool created_ = false;
};

// The backup goes through a temporary file beside it, flushed, and replaces
// the old backup in one step: a failed copy leaves the old backup as it was.
bool MakeBackup(const std::string& page_path, const std::string& backup_path) {
  const std::string temporary = backup_path + kLockTemporarySuffix;
  if (platform::PathExists(temporary))
    return Fail(messages::Format(messages::kTemporaryFileExists, {temporary}));
  if (!platform::CopyToNewFile(page_path, temporary)) {
    const std::string why = platform::LastErrorText();
    return Fail(messages::Format(messages::kCannotCopyToBackup, {page_path, backup_path}), why);
  }
  if (!platform::ReplaceFileAtomically(temporary, backup_path)) {
    const std::string why = platform::LastErrorText();
    platform::RemoveFile(temporary);
    return Fail(messages::Format(messages::kCannotCopyToBackup, {page_path, backup_path}), why);
  }
  return true;
}

// Streams the bytes [begin, end) of the file `from` stands on into `sink`;
// without `end`, up to the end of the file, which must really be its end and
// not a failed read.
bool CopySpan(TFastIO& from, std::uint32_t begin, std::uint32_t end, TBlockSink& sink) {
  from.Position = begin;
  while (from.Position < end) {
    const TFastIO::TByteRun run = from.NextRun();
    if (run.length == 0) return end == UINT32_MAX && from.IsEndOfFile(from.Position);
    const std::uint32_t n = std::min(run.length, end - from.Position);
    if (!sink.Put(reinterpret_cast<const char*>(run.data), n)) return false;
    from.Position += n;
  }
  return true;
}

// The template's start page with the block in its payload area, streamed
// into the temporary page.
bool WriteLockedPage(const TLockPlan& plan, const std::string& backup_path, const std::string& password,
                     bool wrap, const TLockProgress& progress, TTemporaryPage& out) {
  TFileSink sink(out.handle());
  TFastIO start_page;
  bool ok = start_page.Open(plan.start_page) && CopySpan(start_page, 0, plan.area.begin, sink) &&
            plan.writer(backup_path, password, wrap, sink, progress) &&
            CopySpan(start_page, plan.area.end, UINT32_MAX, sink);
  if (!ok) {
    const std::string why = platform::LastErrorText();
    if (sink.Failed())
      return Fail(messages::Format(messages::kCannotWriteLockedPage, {out.path()}), sink.Reason());
    return Fail(messages::Format(messages::kCannotReadFile, {backup_path + "\n" + plan.start_page}), why);
  }
  std::string why;
  if (!out.Finish(&why)) return Fail(messages::Format(messages::kCannotWriteLockedPage, {out.path()}), why);
  return true;
}

}  // namespace

bool LockPage(const std::string& template_name, const std::string& backup_path, const std::string& page_path,
              const std::string& password, const TLockProgress& progress) {
  // An empty password would encode nothing at all; the callers never pass
  // one, and the engine refuses it too.
  if (password.empty()) return Fail(messages::kPasswordNotEntered);
  if (platform::FileExtension(page_path) != kTextExtension) {
    return BuildLockedPage(template_name, backup_path, page_path, password, false, progress);
  }
  const std::string html_path = page_path + kHtmlSuffix;
  // Moving onto an existing file would lock that file instead, and lose it.
  if (platform::PathExists(html_path))
    return Fail(messages::Format(messages::kCannotRename, {page_path, html_path}));
  if (!platform::RenameFile(page_path, html_path)) {
    const std::string why = platform::LastErrorText();
    return Fail(messages::Format(messages::kCannotRename, {page_path, html_path}), why);
  }
  if (BuildLockedPage(template_name, backup_path, html_path, password, true, progress)) return true;
  // The page is untouched until the last step: it goes back under its name.
  if (!platform::RenameFile(html_path, page_path)) {
    const std::string why = platform::LastErrorText();
    Fail(messages::Format(messages::kCannotRename, {html_path, page_path}), why);
  }
  return false;
}

bool BuildLockedPage(const std::string& template_name, const std::string& backup_path,
                     const std::string& page_path, const std::string& password, bool wrap,
                     const TLockProgress& progress) {
  TLockPlan plan;
  if (!CheckTemplate(template_name, password, &plan)) return false;

  // The temporary page, created exclusively, is the guard against a second
  // lock of the same page: the page's checks below read a page that no
  // other lock can replace meanwhile.
  TTemporaryPage out(page_path + kLockTemporarySuffix);
  if (!out.Create()) {
    const std::string why = platform::LastErrorText();
    if (platform::PathExists(out.path()))
      return Fail(messages::Format(messages::kTemporaryFileExists, {out.path()}));
    return Fail(messages::Format(messages::kCannotCreateFile, {out.path()}), why);
  }
  if (!CheckPage(plan, page_path, backup_path)) return false;
  // The locked page is readable by no more people than the page, from its
  // first byte on.
  if (!platform::CopyPermissions(page_path, out.path())) {
    const std::string why = platform::LastErrorText();
    return Fail(messages::Format(messages::kCannotCreateFile, {out.path()}), why);
  }

  if (platform::PathExists(backup_path)) {
    const auto answer = platform::ShowMessage(
        {messages::kQuestionCaption, messages::Format(messages::kBackupExists, {backup_path}),
         platform::MessageIcon::Warning, platform::MessageButtons::YesNo});
    if (answer != platform::MessageAnswer::Yes) return false;
  }
  // No copy of the page, no lock: the page must never be replaced while its
  // bytes exist nowhere else.
  if (!MakeBackup(page_path, backup_path)) return false;
  if (!InstallTemplate(plan.template_folder, page_path, false)) return false;
  if (!WriteLockedPage(plan, backup_path, password, wrap, progress, out)) return false;

  if (!platform::ReplaceFileAtomically(out.path(), page_path)) {
    const std::string why = platform::LastErrorText();
    return Fail(messages::Format(messages::kCannotReplacePage, {page_path, out.path()}), why);
  }
  out.Release();
  return true;
}
