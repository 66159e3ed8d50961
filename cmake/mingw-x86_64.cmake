# Cross-building the 64-bit Windows edition with Debian's mingw-w64 (the
# posix threading flavour, which std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_STRIP x86_64-w64-mingw32-strip)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The error report names every routine on the way to a throw or fault; the
# 32-bit compiler makes these calls as calls, the 64-bit one would turn a
# call at a routine's end into a jump and leave its caller out of the report.
set(CMAKE_C_FLAGS_INIT -fno-optimize-sibling-calls)
set(CMAKE_CXX_FLAGS_INIT -fno-optimize-sibling-calls)

# Tests run under 64-bit wine with the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
