#include "engine/format/page_codec.h"

#include "engine/format/strong/strong_codec.h"
#include "engine/format/xor/xor_codec.h"

TCodecSetup MakePageCodec(TProtection protection, const TPassword& password,
                          std::unique_ptr<TPageCodec>* codec) {
  codec->reset();
  if (protection == TProtection::Xor) {
    if (password.Typed().size() % 256 == 0) return TCodecSetup::PasswordLengthMultipleOf256;
    codec->reset(new TXorCodec(password.Typed()));
    return TCodecSetup::Ready;
  }
  std::unique_ptr<TStrongCodec> strong;
  const TCodecSetup setup = TStrongCodec::Make(password, &strong);
  *codec = std::move(strong);
  return setup;
}
