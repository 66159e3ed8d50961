// The Windows API for the Windows test helpers (lean and without the min and
// max macros: the build defines both for every target).
#pragma once

#include <windows.h>
