// Without a system mail interface the mail goes by its "mailto:" URL.
#include "errors/bug_report_mail.h"

bool SendBugReportMail(const std::string& /*subject*/, const std::string& /*body*/) { return false; }
