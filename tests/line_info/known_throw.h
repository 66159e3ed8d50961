// Routines of our own that end in a throw, with the lines of the throw and
// of each call known, for finding them again in an error report.
#pragma once

// The line of the throw in KnownThrower, and the lines on which KnownMiddle
// calls KnownThrower and KnownOuter calls KnownMiddle.
extern const int kKnownThrowLine;
extern const int kKnownMiddleCallLine;
extern const int kKnownOuterCallLine;

// Throws std::runtime_error from KnownThrower through KnownMiddle.
int KnownOuter(int value);
int KnownMiddle(int value);
int KnownThrower(int value);
