#include "engine/lock/page_check.h"

#include <cstring>

#include "engine/format/xor/xor_format.h"
#include "fileio/fast_io.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

// The XOR block's worst case: every byte as two digits, plus the quotes and
// line break of every line.
bool LockedPageFits(const TLockPlan& plan, std::uint64_t page_size) {
  const std::uint64_t per_line = 3 + kXorLineBreak.size();
  const std::uint64_t block = 2 * page_size + (page_size / kXorChunkSize + 4) * per_line + 2 * 40 + 16;
  const std::uint64_t template_bytes = plan.area.begin + (plan.start_page_size - plan.area.end);
  return block + template_bytes <= 0xFFFFFFFFull;
}

// Call right after the failed read: the reason is the system's last error.
bool CannotRead(const std::string& page_path, TLockFailure* why) {
  const std::string reason = platform::LastErrorText();
  *why = {{messages::kCannotReadFile, {page_path}}, reason};
  return false;
}

bool FreeOfZeroBytes(const std::string& page_path, std::uint64_t size, TLockFailure* why) {
  TFastIO page;
  if (!page.Open(page_path)) return CannotRead(page_path, why);
  while (page.Position < size) {
    const TFastIO::TByteRun run = page.NextRun();
    if (run.length == 0) return CannotRead(page_path, why);
    if (std::memchr(run.data, 0, run.length)) {
      *why = {{messages::kPageHasZeroBytes, {page_path}}, {}};
      return false;
    }
    page.Position += run.length;
  }
  return true;
}

}  // namespace

bool LockablePageSize(const std::string& page_path, std::uint64_t* size, TLockFailure* why) {
  if (platform::RegularFileSize(page_path, size)) return true;
  const std::string reason = platform::LastErrorText();
  if (platform::PathExists(page_path)) {
    *why = {{messages::kPageNotAFile, {page_path}}, {}};
  } else {
    *why = {{messages::kCannotReadFile, {page_path}}, reason};
  }
  return false;
}

bool CheckPageBytes(const TLockPlan& plan, const std::string& page_path, std::uint64_t size,
                    TLockFailure* why) {
  if (plan.area.protection != TProtection::Xor) return true;
  if (!LockedPageFits(plan, size)) {
    *why = {{messages::kPageTooLarge, {page_path}}, {}};
    return false;
  }
  return FreeOfZeroBytes(page_path, size, why);
}
