// Whether this build runs under AddressSanitizer. Tests that repeat a race
// or a kill many times for its odds repeat it fewer times there: each run
// is several times slower, and the native build already plays the odds;
// under the sanitizer the point is the memory checks on the same paths.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif
#else
inline constexpr bool kSanitizedBuild = false;
#endif
