// The checks a page passes before it is locked, whatever becomes of the
// locked page (in place, or into a new folder). They read the page and
// change nothing.
#pragma once

#include <cstdint>
#include <string>

#include "engine/lock/lock_plan.h"
#include "engine/outcome.h"

// The size of the page at `page_path`, which must be a regular file; else
// kPageNotAFile when it exists as something else, or kCannotReadFile with
// the system's reason.
TValueOr<std::uint64_t> LockablePageSize(const std::string& page_path);

// Whether the page's bytes suit the plan's protection. The XOR block's file
// offsets are 32 bits wide (kPageTooLarge), and a zero byte would end its
// data early (kPageHasZeroBytes; kCannotReadFile with the system's reason
// when the page cannot be read through). The strong block takes any bytes.
// No problem when they suit it.
TProblem CheckPageBytes(const TLockPlan& plan, const std::string& page_path, std::uint64_t size);

// The same in two halves, for a caller that reads the page anyway and looks
// for zero bytes in what it reads rather than read the page twice: the
// size limit (no read), and whether the plan's block refuses zero bytes,
// with the problem to give when the page holds one.
TProblem CheckPageSize(const TLockPlan& plan, const std::string& page_path, std::uint64_t size);
bool RefusesZeroBytes(const TLockPlan& plan);
TProblem ZeroBytesProblem(const std::string& page_path);
