// Unlocking without a browser: reads a locked page's block, of any
// format (the first literal tells which), and writes the page's exact bytes
// to a new file.
#pragma once

#include <string>

#include "engine/password.h"
#include "engine/run_observer.h"
#include "engine/unlock_key.h"
#include "engine/unlock_result.h"

// Decodes the block of the locked page at `locked_path` with `password`
// into a new file at `output_path`. The output is written under a temporary name beside it (`output_path` +
// kUnlockTempSuffix, created exclusively) and renamed into place only when
// every byte is decoded and, for the strong format, proven; an existing
// output file is never overwritten. On any failure no file is left behind
// and the result's message names the cause. A folder, a FIFO, a socket or a
// device is refused (ReadFailed) before it is opened. The output and its
// temporary file are the owner's only (mode 0600); a temporary file that no
// run holds, left by a stopped run, is removed and named (WriteFailed,
// nothing written), one that a run holds is left alone.
TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TPassword& password);
// The same with a share link's secret or a keyring's content key as well
// as a password (engine/unlock_key.h). An `observer` hears the bytes of the
// locked page read of all, and is asked between writes whether to stop:
// Cancelled then, with no file left behind, as any failed unlock.
TUnlockResult UnlockPage(const std::string& locked_path, const std::string& output_path,
                         const TUnlockKey& key, TRunObserver* observer = nullptr);

inline constexpr char kUnlockTempSuffix[] = "~unlock~";
