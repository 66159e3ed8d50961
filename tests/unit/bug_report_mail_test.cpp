// Mailing a report: the escaping of the mailto URL for every byte value, the
// URL itself, and the fall-back from the mail interface to the shell.
#include "errors/bug_report_mail.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/path_parts.h"
#include "platform/platform.h"
#include "tests/support/message_recorder.h"

namespace {

// The bytes that pass unescaped, written out rather than computed.
const std::string kKept = "!\"#$'()*0123456789@ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

TEST(EscapeUrlTextTest, EveryByteValueIsKeptOrWrittenAsTwoUpperCaseHexDigits) {
  for (int value = 0; value < 256; ++value) {
    const std::string byte(1, static_cast<char>(value));
    const std::string escaped = EscapeUrlText(byte);
    if (kKept.find(static_cast<char>(value)) != std::string::npos) {
      EXPECT_EQ(escaped, byte) << value;
    } else {
      char expected[4];
      std::snprintf(expected, sizeof expected, "%%%02X", value);
      EXPECT_EQ(escaped, expected) << value;
    }
  }
}

TEST(EscapeUrlTextTest, AllBytesInOneTextKeepTheirOrder) {
  std::string all;
  for (int value = 0; value < 256; ++value) all += static_cast<char>(value);
  const std::string escaped = EscapeUrlText(all);
  EXPECT_EQ(escaped.size(), kKept.size() + 3 * (256 - kKept.size()));
  EXPECT_EQ(escaped.substr(0, 12), "%00%01%02%03");
  EXPECT_EQ(escaped.substr(escaped.size() - 6), "%FE%FF");
  EXPECT_NE(escaped.find("%20!\"#$%25%26'()*%2B%2C%2D%2E%2F0123456789%3A%3B%3C%3D%3E%3F@A"),
            std::string::npos);
  EXPECT_NE(escaped.find("XYZ%5B%5C%5D%5E%5F%60abc"), std::string::npos);
  EXPECT_NE(escaped.find("xyz%7B%7C%7D%7E%7F%80"), std::string::npos);
}

TEST(EscapeUrlTextTest, TheExamplesOfTheReporter) {
  EXPECT_EQ(EscapeUrlText("A b"), "A%20b");
  EXPECT_EQ(EscapeUrlText("."), "%2E");
  EXPECT_EQ(EscapeUrlText("\r\n"), "%0D%0A");
  EXPECT_EQ(EscapeUrlText("#\""), "#\"");
  EXPECT_EQ(EscapeUrlText(""), "");
}

TEST(BugReportUrlTest, SubjectAndBodyAreEscapedAndTheBodyHasOneLineEnd) {
  EXPECT_EQ(BugReportUrl("Boom", "Stack trace:"),
            std::string("mailto:") + SupportAddress +
                "?Subject=Quelto%20Zendrel%20bugreport&body=Boom%0D%0AStack%20trace%3A");
}

struct SentMail {
  std::string subject;
  std::string body;
};
std::vector<SentMail> sent_mails;
bool mail_answer = true;

bool RecordMail(const std::string& /*address*/, const std::string& subject, const std::string& body) {
  sent_mails.push_back({subject, body});
  return mail_answer;
}

bool FailingMail(const std::string& /*address*/, const std::string& subject, const std::string& body) {
  RecordMail(SupportAddress, subject, body);
  throw std::runtime_error("mail interface failed");
}

class SendBugReportTest : public ::testing::Test {
 protected:
  void SetUp() override { sent_mails.clear(); }
  std::vector<std::string> opened_;
  std::vector<std::string> verbs_;
  platform::ScopedShellHandler shell_{[this](const std::string& target, const std::string& verb) {
                                        opened_.push_back(target);
                                        verbs_.push_back(verb);
                                        return 42;
                                      },
                                      [](const std::string&) { return 42; }};
};

TEST_F(SendBugReportTest, AMailHandedOverIsAllThatHappens) {
  mail_answer = true;
  platform::ScopedMailHandler mailer(&RecordMail);
  SendBugReport("Message", "Report");
  ASSERT_EQ(sent_mails.size(), 1u);
  EXPECT_EQ(sent_mails[0].subject, "Quelto Zendrel bugreport");
  EXPECT_EQ(sent_mails[0].body, "The following error occurred:\r\n\r\nMessage\r\n\r\nReport");
  EXPECT_TRUE(opened_.empty());
}

TEST_F(SendBugReportTest, AFailedMailOpensTheMailtoUrlWithTheDefaultAction) {
  mail_answer = false;
  platform::ScopedMailHandler mailer(&RecordMail);
  SendBugReport("Message", "Report");
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], std::string("mailto:") + SupportAddress +
                            "?Subject=Quelto%20Zendrel%20bugreport&body=Message%0D%0AReport");
  EXPECT_EQ(verbs_[0], "");
}

TEST_F(SendBugReportTest, AMailInterfaceThatRaisesCountsAsFailed) {
  platform::ScopedMailHandler mailer(&FailingMail);
  SendBugReport("M", "R");
  EXPECT_EQ(sent_mails.size(), 1u);
  EXPECT_EQ(opened_.size(), 1u);
}

TEST(SendBugReportWithoutMailTest, WhenNothingCanSendTheUserIsToldWhereTheReportIs) {
  platform::ScopedMailHandler mailer(
      [](const std::string&, const std::string&, const std::string&) { return false; });
  std::vector<std::string> opened;
  platform::ScopedShellHandler shell(
      [&](const std::string& target, const std::string&) {
        opened.push_back(target);
        return 31;  // no program for mailto:
      },
      [](const std::string&) { return 42; });
  testing_support::MessageRecorder messages;
  SendBugReport("M", "R");
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(messages.Transcript(),
            "Error|No mail program could be started to send the report.\nThe report is logged in " +
                platform::ReplaceExtension(platform::ExecutablePath(), ".ERR") + "\n");
}

TEST_F(SendBugReportTest, SendingTwiceSendsTwice) {
  mail_answer = false;
  platform::ScopedMailHandler mailer(&RecordMail);
  SendBugReport("M", "R");
  SendBugReport("M", "R");
  EXPECT_EQ(sent_mails.size(), 2u);
  EXPECT_EQ(opened_.size(), 2u);
}

}  // namespace
