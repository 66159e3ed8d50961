// A function of our own with known lines, for finding it again through the
// side file that the build wrote for this test program.
#pragma once

#include <cstdint>

// The lines of KnownRoutine's definition, first and last.
extern const int kKnownRoutineFirstLine;
extern const int kKnownRoutineLastLine;

// Returns the address of a call instruction inside KnownRoutine and, in
// `*line`, the line that holds that call.
std::uintptr_t KnownRoutine(int* line);
