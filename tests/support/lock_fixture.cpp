#include "tests/support/lock_fixture.h"

#include "engine/settings.h"
#include "platform/platform.h"

namespace testing_support {

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
