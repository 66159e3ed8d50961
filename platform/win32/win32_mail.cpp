// Simple MAPI, loaded when a mail is sent, so that the program runs on a
// system without a mail client too.
#include <windows.h>

#include <mapi.h>

#include "platform/seams_internal.h"

namespace platform::internal {

bool SystemSendMail(const std::string& address_text, const std::string& subject, const std::string& body) {
  const HMODULE mapi = LoadLibraryA("mapi32.dll");
  // No mail interface at all: a failure, so that the caller tries another way.
  if (mapi == nullptr) return false;
  const auto send =
      reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMail")));
  ULONG result = MAPI_USER_ABORT;
  if (send != nullptr) {
    std::string address = address_text;
    std::string subject_text = subject;
    std::string note_text = body;
    MapiRecipDesc recipient{};
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszAddress = address.data();
    MapiMessage message{};
    message.lpszSubject = subject_text.data();
    message.lpszNoteText = note_text.data();
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    result = send(0, 0, &message, MAPI_DIALOG, 0);
  }
  FreeLibrary(mapi);
  return result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT;
}

}  // namespace platform::internal
