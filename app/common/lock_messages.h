// A lock's result put into words and shown, as the engine's messages have
// always read: the message, then the system's reason on a line of its own.
#pragma once

#include <string>
#include <vector>

#include "engine/lock_message.h"
#include "engine/outcome.h"

// The message's text with its "%s" places filled; empty for no message.
std::string FormatMessage(const TLockMessage& message);

// The text of a problem's box: the message, then "\n" and the reason when
// there is one.
std::string LockFailureText(const TLockMessage& message, const std::string& reason);

// The texts of every problem of a run that did not succeed, in order: its
// problem (none when declined or cancelled), then the further problems.
std::vector<std::string> ProblemTexts(const TOutcome& outcome);

// Shows each of ProblemTexts in an "Error" box.
void ShowLockFailures(const TOutcome& outcome);
