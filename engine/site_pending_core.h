// The lock core's shapes that the site lock builds on, as agreed, until the
// core's own headers (engine/lock_message.h, engine/lock_result.h,
// engine/template_library.h) take their place.
#pragma once

#include <string>
#include <vector>

// A message of the table (its identity: the table's text) and its %s
// arguments.
struct TLockMessage {
  const char* text = nullptr;
  std::vector<std::string> arguments;
};

enum class TLockStatus { Locked, Failed, Declined, Cancelled };

struct TTemplate {
  std::string name;
  // Ends in the separator.
  std::string folder;
};
