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

// What the Send button does: the mail (BugReportIntro + message + two line
// ends + report) through the system's mail interface (platform::SendMail),
// and when that answers false or raises, the shell's default action on
// BugReportUrl. When the shell cannot start that either, an "Error" box says
// that no mail program could be started and names the error log.
void SendBugReport(const std::string& message, const std::string& report);
