// How far a running lock has come, told to whoever started it.
#pragma once

#include <cstdint>
#include <functional>

// Called as the lock streams the page's block: `done` of `total` bytes of
// the page are encoded (0 < total; done grows to total). It runs on the
// locking thread, between writes; it must not start another lock.
using TLockProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
