// A message of the lock engine, not yet in words: which text of the message
// table it is and what fills its "%s" places. The engine shows nothing; the
// front end puts it into words (messages::Format) and shows it its own way.
#pragma once

#include <string>
#include <vector>

struct TLockMessage {
  // The table's text (messages::k...); its pointer is the message's
  // identity. Null for no message.
  const char* text = nullptr;
  // The "%s" places in order.
  std::vector<std::string> arguments;
};
