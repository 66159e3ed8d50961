// The program's failure message: an "Error" box with an error icon and an
// OK button, shown through the message-box seam.
#pragma once

#include <string>

namespace messages {

// Shows `text` in the "Error" box and waits until the user closes it.
void ShowError(const std::string& text);

}  // namespace messages
