// A page folder and a templates folder in a temporary directory, for tests
// that lock pages. TemplatesDir points into it while the fixture lives.
#pragma once

#include <string>
#include <vector>

#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

// The lines of a page block, each without its CR LF; a block that does not
// end with CR LF fails the test.
std::vector<std::string> BlockLines(const std::string& block);

// A template start page that meets the marker contract.
std::string TemplateStartPage(const std::string& payload = "'placeholder',\r\n");

class LockFixture {
 public:
  LockFixture();
  ~LockFixture();

  // Creates TemplatesDir/<name>/<relative> with the bytes.
  void AddTemplateFile(const std::string& name, const std::string& relative, const std::string& bytes);
  std::string Page(const std::string& name) const { return pages / name; }

  TempDir root;
  TempDir pages;

 private:
  std::string saved_templates_dir_;
};

}  // namespace testing_support
