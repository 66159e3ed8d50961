#include "engine/lock_plan.h"

#include "fileio/fast_io.h"
#include "platform/platform.h"
#include "resources/message_table.h"

bool PlanLock(const TTemplate& found, const TPassword& password, TLockPlan* plan, TLockFailure* why) {
  plan->template_ = found;
  plan->start_page = found.StartPage();
  std::uint64_t size = 0;
  if (!platform::RegularFileSize(plan->start_page, &size)) {
    *why = {{messages::kTemplateNotFound, {found.name, plan->start_page}}, {}};
    return false;
  }
  TFastIO start_page;
  if (!start_page.Open(plan->start_page)) {
    const std::string reason = platform::LastErrorText();
    *why = {{messages::kCannotReadFile, {plan->start_page}}, reason};
    return false;
  }
  plan->start_page_size = static_cast<std::uint32_t>(size);
  if (!FindPayloadArea(start_page, &plan->area)) {
    *why = {{messages::kWrongTemplate, {}}, {}};
    return false;
  }
  // The XOR block uses the password's length mod 256: a multiple of 256
  // would leave one byte of it.
  if (plan->area.protection == TProtection::Xor && password.Typed().size() % 256 == 0) {
    *why = {{messages::kPasswordLengthMultipleOf256, {}}, {}};
    return false;
  }
  return true;
}
