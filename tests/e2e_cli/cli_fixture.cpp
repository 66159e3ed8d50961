#include "tests/e2e_cli/cli_fixture.h"

#include <filesystem>

#include "engine/page_unlock.h"
#include "resources/message_table.h"
#include "tests/e2e_cli/cli_runner.h"

void CliFixture::SetUp() {
  namespace fs = std::filesystem;
  const std::string exe = CliProgram();
  program_ = install_ / fs::path(exe).filename().string();
  fs::copy_file(exe, program_);
  fs::permissions(program_, fs::perms::owner_all, fs::perm_options::add);
  fs::copy(BuiltTemplates(), install_ / "Templates", fs::copy_options::recursive);
}

::testing::AssertionResult CliFixture::OpensWith(const std::string& path, const std::string& password,
                                                 const std::string& original) {
  testing_support::TempDir out;
  const TUnlockResult result = UnlockPage(path, out / "page", password);
  if (result.status != TStatus::Done)
    return ::testing::AssertionFailure()
           << messages::Format(result.problem.message.text, result.problem.message.arguments);
  if (testing_support::ReadFile(out / "page") != original)
    return ::testing::AssertionFailure() << "the page opens to other bytes";
  return ::testing::AssertionSuccess();
}
