#include "resources/error_box.h"

#include "platform/platform.h"
#include "resources/message_table.h"

namespace messages {

void ShowError(const std::string& text) {
  platform::ShowMessage({kErrorCaption, text, platform::MessageIcon::Error, platform::MessageButtons::Ok});
}

}  // namespace messages
