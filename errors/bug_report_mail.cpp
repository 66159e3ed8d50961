#include "errors/bug_report_mail.h"

#include "errors/error_log.h"
#include "platform/platform.h"
#include "resources/error_box.h"
#include "resources/message_table.h"

#ifndef ZENDREL_SUPPORT_ADDRESS
#error "ZENDREL_SUPPORT_ADDRESS is set by the build (the CMake cache variable of that name)"
#endif

const char* const BugReportSubject = "Quelto Zendrel bugreport";
const char* const BugReportIntro = "The following error occurred:\r\n\r\n";
const char* const SupportAddress = ZENDREL_SUPPORT_ADDRESS;

namespace {

bool KeptInUrl(unsigned char byte) {
  return (byte >= 0x21 && byte <= 0x24) || (byte >= 0x27 && byte <= 0x2A) || (byte >= 0x30 && byte <= 0x39) ||
         (byte >= 0x40 && byte <= 0x5A) || (byte >= 0x61 && byte <= 0x7A);
}

}  // namespace

std::string EscapeUrlText(const std::string& text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size() * 3);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (KeptInUrl(byte)) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kDigits[byte >> 4];
      escaped += kDigits[byte & 0x0F];
    }
  }
  return escaped;
}

std::string BugReportUrl(const std::string& message, const std::string& report) {
  return std::string("mailto:") + SupportAddress + "?Subject=" + EscapeUrlText(BugReportSubject) +
         "&body=" + EscapeUrlText(message + "\r\n" + report);
}

void SendBugReport(const std::string& message, const std::string& report) {
  const std::string body = BugReportIntro + message + "\r\n\r\n" + report;
  bool sent = false;
  try {
    sent = platform::SendMail(SupportAddress, BugReportSubject, body);
  } catch (...) {
    sent = false;
  }
  if (sent) return;
  // Commands and the shell answer 32 or more when they started.
  constexpr int kStarted = 32;
  if (platform::ShellOpen(BugReportUrl(message, report), "") >= kStarted) return;
  messages::ShowError(messages::Format(messages::kNoMailProgram, {ErrorLog()}));
}
