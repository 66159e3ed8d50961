#include "engine/lock/lock_plan.h"

#include <utility>

#include "fileio/fast_io.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace {

TLockMessage SetupProblem(TCodecSetup setup, const std::string& template_name) {
  switch (setup) {
    case TCodecSetup::Ready:
      break;
    case TCodecSetup::PasswordLengthMultipleOf256:
      return {messages::kPasswordLengthMultipleOf256, {}};
    case TCodecSetup::PasswordNotConvertible:
      return {messages::kPasswordNotConvertible, {}};
    case TCodecSetup::PasswordNotUtf8:
      return {messages::kPasswordNotUtf8, {}};
    case TCodecSetup::XorWithKeyring:
      return {messages::kKeyringNeedsStrong, {template_name}};
    case TCodecSetup::CryptoFailed:
      break;
  }
  return {messages::kCannotMakeKey, {}};
}

}  // namespace

bool PlanLock(const TTemplate& found, const TPassword& password, TLockPlan* plan, TLockFailure* why) {
  return PlanLock(
      found,
      [&](TProtection protection, std::unique_ptr<TPageCodec>* codec) {
        return MakePageCodec(protection, password, codec);
      },
      plan, why);
}

bool PlanLock(const TTemplate& found, const TCodecMaker& make_codec, TLockPlan* plan, TLockFailure* why) {
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
  std::unique_ptr<TPageCodec> made;
  const TCodecSetup setup = make_codec(plan->area.protection, &made);
  if (setup != TCodecSetup::Ready) {
    *why = {SetupProblem(setup, found.name), {}};
    return false;
  }
  plan->codec = std::move(made);
  return true;
}
