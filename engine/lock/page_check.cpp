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
TProblem CannotRead(const std::string& page_path) {
  return {{messages::kCannotReadFile, {page_path}}, platform::LastErrorText()};
}

TProblem FreeOfZeroBytes(const std::string& page_path, std::uint64_t size) {
  TFastIO page;
  if (!page.Open(page_path)) return CannotRead(page_path);
  while (page.Position < size) {
    const TFastIO::TByteRun run = page.NextRun();
    if (run.length == 0) return CannotRead(page_path);
    if (std::memchr(run.data, 0, run.length)) return ZeroBytesProblem(page_path);
    page.Position += run.length;
  }
  return {};
}

}  // namespace

TValueOr<std::uint64_t> LockablePageSize(const std::string& page_path) {
  TValueOr<std::uint64_t> size;
  if (platform::RegularFileSize(page_path, &size.value)) return size;
  const std::string reason = platform::LastErrorText();
  size.problem = platform::PathExists(page_path) ? TProblem{{messages::kPageNotAFile, {page_path}}, {}}
                                                 : TProblem{{messages::kCannotReadFile, {page_path}}, reason};
  return size;
}

TProblem CheckPageBytes(const TLockPlan& plan, const std::string& page_path, std::uint64_t size) {
  if (TProblem problem = CheckPageSize(plan, page_path, size)) return problem;
  return RefusesZeroBytes(plan) ? FreeOfZeroBytes(page_path, size) : TProblem{};
}

TProblem CheckPageSize(const TLockPlan& plan, const std::string& page_path, std::uint64_t size) {
  if (plan.area.protection == TProtection::Xor && !LockedPageFits(plan, size))
    return {{messages::kPageTooLarge, {page_path}}, {}};
  return {};
}

bool RefusesZeroBytes(const TLockPlan& plan) { return plan.area.protection == TProtection::Xor; }

TProblem ZeroBytesProblem(const std::string& page_path) {
  return {{messages::kPageHasZeroBytes, {page_path}}, {}};
}
