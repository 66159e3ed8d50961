#include "tests/support/lock_fixture.h"

#include <gtest/gtest.h>

#include "engine/settings.h"
#include "platform/platform.h"

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

LockFixture::LockFixture() : saved_templates_dir_(TemplatesDir) { TemplatesDir = root / "Templates/"; }

LockFixture::~LockFixture() { TemplatesDir = saved_templates_dir_; }

void LockFixture::AddTemplateFile(const std::string& name, const std::string& relative,
                                  const std::string& bytes) {
  WriteFile(TemplatesDir + name + platform::PathSeparator() + (root / relative).substr(root.path().size()),
            bytes);
}

}  // namespace testing_support
