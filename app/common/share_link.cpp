#include "app/common/share_link.h"

#include "engine/share_key.h"

namespace {

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

bool IsHex(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Each byte outside the unreserved ones and "/" percent-encoded; with
// `keep_escapes`, a "%" that starts an escape already made stays.
std::string PercentEncoded(const std::string& path, bool keep_escapes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    const bool escape =
        keep_escapes && c == '%' && i + 2 < path.size() && IsHex(path[i + 1]) && IsHex(path[i + 2]);
    if (Unreserved(c) || escape) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Where the path starts: after "scheme://" and the authority.
std::size_t PathStart(const std::string& url) {
  const std::size_t authority = url.find("://");
  if (authority == std::string::npos) return 0;
  const std::size_t slash = url.find('/', authority + 3);
  return slash == std::string::npos ? url.size() : slash;
}

}  // namespace

bool CheckShareUrl(const std::string& url, std::string* why) {
  *why = "--share-url takes an http, https or file URL without a query or a fragment";
  const std::size_t colon = url.find("://");
  if (colon == std::string::npos) return false;
  const std::string scheme = LowerAscii(url.substr(0, colon));
  if (scheme != "http" && scheme != "https" && scheme != "file") return false;
  if (url.find_first_of("?#") != std::string::npos) return false;
  const std::size_t path = PathStart(url);
  const std::string host = url.substr(colon + 3, path - colon - 3);
  if (scheme != "file" && host.empty()) return false;
  for (const unsigned char c : url.substr(0, path))
    if (c <= ' ' || c == 0x7F || c == '\\') return false;
  for (const unsigned char c : url)
    if (c < ' ' || c == 0x7F) return false;
  return true;
}

std::string ShareLink(const std::string& url, const std::string& page, const std::string& site_key) {
  const std::size_t path = PathStart(url);
  std::string link = url.substr(0, path) + PercentEncoded(url.substr(path), true);
  if (link.empty() || link.back() != '/') link += '/';
  return link + PercentEncoded(page, false) + "#zendrel-key=" + ShareKeyText(site_key);
}
