#include "tests/support/lock_fixture.h"

#include <gtest/gtest.h>

#include "engine/lock_page.h"
#include "platform/platform.h"
#include "resources/message_table.h"

namespace testing_support {

std::vector<std::string> BlockLines(const std::string& block) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = block.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(block.substr(start, end - start));
  EXPECT_EQ(start, block.size()) << "the block must end with CR LF";
  return lines;
}

std::string TemplateStartPage(const std::string& payload) {
  return "<html><head><script>\r\nvar page = [].concat(\r\n//Page Begin\r\n" + payload +
         "//Page End\r\n);\r\n</script></head><body>decoder</body></html>\r\n";
}

LockFixture::LockFixture() : library_(root / "Templates/") {}

void LockFixture::AddTemplateFile(const std::string& name, const std::string& relative,
                                  const std::string& bytes) {
  WriteFile(TemplatesDir() + name + platform::PathSeparator() + (root / relative).substr(root.path().size()),
            bytes);
}

std::string MessageText(const TLockMessage& message, const std::string& reason) {
  return messages::FormatWithReason(message.text ? message.text : "<no message>", message.arguments, reason);
}

std::string Told(const TOutcome& result) {
  if (result.ok()) return "";
  std::string told;
  if (result.problem.message.text) told += MessageText(result.problem.message, result.problem.reason) + "\n";
  for (const auto& failure : result.further) told += MessageText(failure.message, failure.reason) + "\n";
  return told;
}

bool ScriptedObserver::ConfirmReplace(const std::string& backup_path) {
  asked.push_back(backup_path);
  if (answers_.empty()) return false;
  const bool answer = answers_.front();
  answers_.pop_front();
  return answer;
}

TLockResult Lock(const LockFixture& f, const std::string& template_name, const std::string& page,
                 const std::string& backup, const std::string& password, TRunObserver& observer) {
  TLockRequest request{{}, page, backup, password};
  TValueOr<TTemplate> found = f.Library().Find(template_name);
  if (!found.ok()) return Failed(found.problem);
  request.template_ = std::move(found.value);
  return LockPage(request, observer);
}

TLockResult Lock(const LockFixture& f, const std::string& template_name, const std::string& page,
                 const std::string& backup, const std::string& password) {
  ScriptedObserver observer;
  return Lock(f, template_name, page, backup, password, observer);
}

}  // namespace testing_support
