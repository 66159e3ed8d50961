// The share link of a locked page: the address it is published under with
// the site key in the fragment, which a browser never sends to the server.
#pragma once

#include <string>

// True when `url` can be the base of a share link: an http, https or file
// URL (a host for http and https, no spaces or control bytes before the
// path) without a query or a fragment. Else false with the reason, one line.
bool CheckShareUrl(const std::string& url, std::string* why);

// `url` (its path percent-encoded as below, escapes already made kept) +
// "/" (unless it ends in "/") + `page` (a relative path with "/" between its
// parts, each byte outside A-Z a-z 0-9 - . _ ~ / percent-encoded) +
// "#zendrel-key=" + the 32-byte `site_key` in base64url without padding.
std::string ShareLink(const std::string& url, const std::string& page, const std::string& site_key);
