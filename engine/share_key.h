// The key a share link carries after "#zendrel-key=": its bytes in
// base64url (RFC 4648 section 5) without "=" padding, the form the
// templates' decoder reads from the address.
#pragma once

#include <string>

std::string ShareKeyText(const std::string& key);
