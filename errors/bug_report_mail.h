// Mailing an error report to the maker: through the system's mail interface,
// and when that fails, through a "mailto:" URL opened by the shell.
#pragma once

#include <string>

// The subject and the first line of every bug-report mail.
extern const char* const BugReportSubject;
extern const char* const BugReportIntro;

// The maker's support address, fixed when the build is configured
// (ZENDREL_SUPPORT_ADDRESS).
extern const char* const SupportAddress;

// `text` with every byte outside 0x21-0x24, 0x27-0x2A, 0x30-0x39, 0x40-0x5A
// and 0x61-0x7A written as "%" and two upper-case hexadecimal digits.
std::string EscapeUrlText(const std::string& text);

// "mailto:" + address + "?Subject=" + escaped subject + "&body=" + escaped
// (message + CR LF + report).
std::string BugReportUrl(const std::string& message, const std::string& report);

// Hands a mail with `subject` and `body`, addressed to SupportAddress, to the
// system's mail interface, which shows it to the user before sending. True
// when it was handed over or the user cancelled it; false when the interface
// failed. Where there is no mail interface at all it answers true (as a
// cancel), so that nothing further happens. errors/win32, errors/posix.
bool SendBugReportMail(const std::string& subject, const std::string& body);

// What the Send button does: the mail (BugReportIntro + message + two line
// ends + report) through the mail interface, and when that answers false or
// raises, the shell's default action on BugReportUrl.
void SendBugReport(const std::string& message, const std::string& report);

// The mail interface stands for a compose window a person would have to
// send or close: tests put a recorder in its place for the life of a scope.
using BugReportMailer = bool (*)(const std::string& subject, const std::string& body);
class ScopedBugReportMailer {
 public:
  explicit ScopedBugReportMailer(BugReportMailer mailer);
  ~ScopedBugReportMailer();
  ScopedBugReportMailer(const ScopedBugReportMailer&) = delete;
  ScopedBugReportMailer& operator=(const ScopedBugReportMailer&) = delete;

 private:
  BugReportMailer previous_;
};
