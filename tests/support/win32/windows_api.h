// The Windows API for the Windows test helpers: lean, and without the min and
// max macros, whether or not the including file set that up already.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
