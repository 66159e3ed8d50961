// Keys as a keyring holds them, made for tests without a keyring file: a
// content key K and, per reader password or link secret, a slot with a new
// id and reader key R wrapped under the password key (PBKDF2 of the
// password with the site salt, or the link's secret itself).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/format/strong/site_keys.h"

namespace testing_support {

std::shared_ptr<TSiteKeys> MakeSiteKeys(const std::string& site_salt, unsigned iterations,
                                        const std::vector<std::string>& passwords,
                                        const std::vector<std::string>& link_secrets);

// `n` bytes from the system's random source.
std::string SystemRandomBytes(std::size_t n);

}  // namespace testing_support
