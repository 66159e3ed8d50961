// Base64 against RFC 4648 section 10, and the decoder's refusals of text
// that is not canonical base64.
#include "engine/format/base64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64, EncodesAndDecodesTheRfc4648Vectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [bytes, text] : vectors) {
    EXPECT_EQ(Base64Encode(bytes), text);
    EXPECT_EQ(Base64Length(std::string(bytes).size()), std::string(text).size());
    std::string decoded = "stale";
    ASSERT_TRUE(Base64Decode(text, &decoded)) << text;
    EXPECT_EQ(decoded, bytes);
  }
  // Every byte value, and both alphabet ends ("+" is 62, "/" is 63).
  EXPECT_EQ(Base64Encode("\xFB\xFF\xBF"), "+/+/");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string back;
  ASSERT_TRUE(Base64Decode(Base64Encode(all), &back));
  EXPECT_EQ(back, all);
}

// Every length up to 100 at eight starts, against an encoder written out
// bit by bit here: inputs of twelve bytes and more go through the
// encoder's twelve-byte path where it has one, their last bytes through the
// byte path.
TEST(Base64, EncodesEveryLengthAsTheBitsSay) {
  const char* const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto by_bits = [&](const std::string& bytes) {
    std::string bits, text;
    for (const unsigned char c : bytes)
      for (int b = 7; b >= 0; --b) bits += ((c >> b) & 1) ? '1' : '0';
    while (bits.size() % 6 != 0) bits += '0';
    for (std::size_t at = 0; at < bits.size(); at += 6) text += alphabet[std::stoi(bits.substr(at, 6), nullptr, 2)];
    while (text.size() % 4 != 0) text += '=';
    return text;
  };
  std::string pool;
  for (int i = 0; i < 120; ++i) pool += static_cast<char>((i * 167 + 13) & 0xff);
  for (std::size_t start = 0; start < 8; ++start)
    for (std::size_t size = 0; start + size <= 108 && size <= 100; ++size) {
      const std::string bytes = pool.substr(start, size);
      EXPECT_EQ(Base64Encode(bytes), by_bits(bytes)) << start << "+" << size;
    }
}

TEST(Base64, DecodesTextCutAnywhere) {
  const std::string text = "Zm9vYmFyZm9vYmE=";
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    TBase64Decoder decoder;
    std::string out;
    ASSERT_TRUE(decoder.Put(text.substr(0, cut), &out));
    ASSERT_TRUE(decoder.Put(text.substr(cut), &out));
    EXPECT_TRUE(decoder.Finish());
    EXPECT_EQ(out, "foobarfooba") << cut;
  }
}

TEST(Base64, RefusesWhatIsNotCanonical) {
  const char* bad[] = {
      "Zm9",       // a partial group
      "Zm9v\r\n",  // a line end inside
      "Zm 9v",     // a space
      "Zm-v",      // the URL alphabet
      "Zg==Zm9v",  // data after padding
      "Z===",      // padding too early
      "Zh==",      // unused bits set
      "Zm9=",      // unused bits set
      "=Zm9",      // padding first
      "Zm\x80v",   // a byte outside ASCII
  };
  for (const char* text : bad) {
    std::string out;
    EXPECT_FALSE(Base64Decode(text, &out)) << text;
  }
}

}  // namespace
