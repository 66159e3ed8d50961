// The lock of one page in place: keeps a byte copy of the page in the
// backup file, copies the template's other files beside the page, and puts
// the template start page with the encoded page in its payload area in the
// page's place, in one atomic step. It shows nothing: what happened comes
// back as a TLockResult, and what needs the caller (the backup question,
// warnings, progress, stopping) goes through the TRunObserver.
//
// Until the final replace the page is exactly what it was; after it, the
// page is the finished locked page. The backup is the page's former bytes or
// the old backup, never a part of either. A failed, declined or cancelled
// lock leaves no temporary file; the template's other files that were
// copied before it stopped stay.
#pragma once

#include "engine/lock_request.h"
#include "engine/lock_result.h"
#include "engine/run_observer.h"
#include "platform/path_parts.h"

// The locked page is built in the page's name with this appended, created
// exclusively: it is also the guard that keeps two locks of one page apart.
// The backup is copied through the backup's name with it appended.
inline constexpr auto& kLockTemporarySuffix = platform::kTemporarySuffix;

// Locks `request.page`. A page whose name ends in ".txt" (in any letter case
// with `text_in_any_case`) is first renamed to
// its name with ".html" appended and wrapped as text; a lock that does not
// succeed renames it back. Done when the locked page was written; the
// backup then holds the page's former bytes. An existing backup is replaced
// only when the observer confirms it.
TLockResult LockPage(const TLockRequest& request, TRunObserver& observer);
