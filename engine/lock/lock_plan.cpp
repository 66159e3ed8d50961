#include "engine/lock/lock_plan.h"

#include <utility>

#include "fileio/fast_io.h"
#include "platform/platform.h"
#include "resources/message_table.h"

TValueOr<TLockPlan> PlanLock(const TTemplate& found, const TPassword& password) {
  return PlanLock(found, [&](TProtection protection, std::unique_ptr<TPageCodec>* codec) {
    return MakePageCodec(protection, password, codec);
  });
}

TValueOr<TLockPlan> PlanLock(const TTemplate& found, const TCodecMaker& make_codec) {
  TValueOr<TLockPlan> planned;
  TLockPlan* plan = &planned.value;
  plan->template_ = found;
  plan->start_page = found.StartPage();
  std::uint64_t size = 0;
  if (!platform::RegularFileSize(plan->start_page, &size)) {
    planned.problem = {{messages::kTemplateNotFound, {found.name, plan->start_page}}, {}};
    return planned;
  }
  TFastIO start_page;
  if (!start_page.Open(plan->start_page)) {
    planned.problem = {{messages::kCannotReadFile, {plan->start_page}}, platform::LastErrorText()};
    return planned;
  }
  plan->start_page_size = static_cast<std::uint32_t>(size);
  if (!FindPayloadArea(start_page, &plan->area)) {
    planned.problem = {{messages::kWrongTemplate, {}}, {}};
    return planned;
  }
  std::unique_ptr<TPageCodec> made;
  planned.problem = make_codec(plan->area.protection, &made);
  if (!planned.ok()) return planned;
  plan->codec = std::move(made);
  return planned;
}
