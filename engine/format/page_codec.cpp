#include "engine/format/page_codec.h"

#include "engine/format/strong/strong_codec.h"
#include "engine/format/xor/xor_codec.h"
#include "resources/message_table.h"

TProblem MakePageCodec(TProtection protection, const TPassword& password,
                       std::unique_ptr<TPageCodec>* codec) {
  codec->reset();
  if (protection == TProtection::Xor) {
    if (password.Typed().size() % 256 == 0) return {{messages::kPasswordLengthMultipleOf256, {}}, {}};
    codec->reset(new TXorCodec(password.Typed()));
    return {};
  }
  std::unique_ptr<TStrongCodec> strong;
  TProblem problem = TStrongCodec::Make(password, &strong);
  *codec = std::move(strong);
  return problem;
}
