// Share links, with base64url checked against RFC 4648's own test vectors
// and a key whose encoding uses both letters that differ from base64.
#include "app/common/share_link.h"
#include "engine/share_key.h"

#include <gtest/gtest.h>

namespace {

TEST(ShareKeyText, Rfc4648VectorsWithoutPadding) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},           {"f", "Zg"},          {"fo", "Zm8"},          {"foo", "Zm9v"},
      {"foob", "Zm9vYg"}, {"fooba", "Zm9vYmE"}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(ShareKeyText(bytes), text) << bytes;
  // 0xFB 0xFF 0xBF is "+/+/" in base64.
  EXPECT_EQ(ShareKeyText("\xFB\xFF\xBF"), "-_-_");
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
      // The base's path is encoded as the page is; an escape already made stays.
      {"https://example.org/my club", "a b.html",
       "https://example.org/my%20club/a%20b.html#zendrel-key=" + encoded},
      {"https://example.org/my%20club", "100%.html",
       "https://example.org/my%20club/100%25.html#zendrel-key=" + encoded},
      {"file:///srv/\xC3\xA9", "index.html", "file:///srv/%C3%A9/index.html#zendrel-key=" + encoded},
  };
  for (const Case& c : cases) EXPECT_EQ(ShareLink(c.url, c.page, key), c.link);
}

TEST(CheckShareUrl, HttpHttpsOrFileWithoutQueryOrFragment) {
  const std::pair<const char*, bool> cases[] = {
      {"https://example.org/club", true},
      {"http://h", true},
      {"HTTPS://h:8080/x/", true},
      {"file:///srv/site", true},
      {"https://example.org/my club", true},
      {"https://example.org/club?x=1#top", false},
      {"https://example.org/club#top", false},
      {"example org", false},
      {"example.org/club", false},
      {"ftp://h/x", false},
      {"javascript://h/%0Aalert(1)", false},
      {"https://", false},
      {"https://exa mple.org/", false},
      {"https://h/a\nb", false},
  };
  for (const auto& [url, ok] : cases) {
    std::string why;
    EXPECT_EQ(CheckShareUrl(url, &why), ok) << url;
    if (!ok) {
      EXPECT_NE(why.find("--share-url"), std::string::npos) << url;
    }
  }
}

}  // namespace
