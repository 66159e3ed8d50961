// Share links, with base64url checked against RFC 4648's own test vectors
// and a key whose encoding uses both letters that differ from base64.
#include "app/share_link.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64Url, Rfc4648VectorsWithoutPadding) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},           {"f", "Zg"},          {"fo", "Zm8"},          {"foo", "Zm9v"},
      {"foob", "Zm9vYg"}, {"fooba", "Zm9vYmE"}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base64Url(bytes), text) << bytes;
  // 0xFB 0xFF 0xBF is "+/+/" in base64.
  EXPECT_EQ(Base64Url("\xFB\xFF\xBF"), "-_-_");
}

TEST(ShareLink, UrlPageAndKey) {
  const std::string key(32, '\xFF');
  const std::string encoded = "__________________________________________8";
  struct Case {
    const char* url;
    const char* page;
    std::string link;
  };
  const Case cases[] = {
      {"https://example.org/site", "index.html",
       "https://example.org/site/index.html#zendrel-key=" + encoded},
      {"https://example.org/site/", "index.html",
       "https://example.org/site/index.html#zendrel-key=" + encoded},
      {"https://example.org", "docs/a b.html", "https://example.org/docs/a%20b.html#zendrel-key=" + encoded},
      {"http://h", "\xC3\xA9t\xC3\xA9#1.html", "http://h/%C3%A9t%C3%A9%231.html#zendrel-key=" + encoded},
  };
  for (const Case& c : cases) EXPECT_EQ(ShareLink(c.url, c.page, key), c.link);
}

}  // namespace
