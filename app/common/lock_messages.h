// A lock's result put into words and shown, as the engine's messages have
// always read: the message, then the system's reason on a line of its own.
#pragma once

#include <string>

#include "engine/lock_message.h"
#include "engine/lock_result.h"

// The message's text with its "%s" places filled; empty for no message.
std::string FormatMessage(const TLockMessage& message);

// The text of a problem's box: the message, then "\n" and the reason when
// there is one.
std::string LockFailureText(const TLockMessage& message, const std::string& reason);

// Shows every problem of a lock that did not succeed, in order, each in an
// "Error" box: its message (none when declined or cancelled), then the
// further problems. Nothing for a lock that succeeded.
void ShowLockFailures(const TLockResult& result);
