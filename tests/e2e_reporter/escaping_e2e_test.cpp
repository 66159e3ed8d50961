// On Linux the capture and the report serve the log of an exception that
// escapes batch mode: escaping_target runs beside its side file, fails, and
// its log entry names our own unit, source and routine for the raise.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/e2e_batch/program_runner.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

const std::string kHeader = "Stack trace:\r\nPhysical Logical  Unit  (######) Routine\r\n";

class EscapingEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteFile(exe_, ReadFile(BuiltProgram()));
    testing_support::WriteFile(dir_ / "escaping_target.RLI", ReadFile(BuiltProgram() + ".RLI"));
    ASSERT_EQ(chmod(exe_.c_str(), 0755), 0);
  }
  std::string FirstTraceLine(const std::string& log) {
    const std::size_t start = log.find(kHeader);
    if (start == std::string::npos) return "";
    const std::size_t from = start + kHeader.size();
    return log.substr(from, log.find("\r\n", from) - from);
  }
  TempDir dir_;
  std::string exe_ = dir_ / "escaping_target";
};

TEST_F(EscapingEndToEndTest, AThrowThatEscapesIsLoggedWithTheRoutineThatThrew) {
  const ProgramRun run = RunProgram(exe_, {"throw"}, dir_.path());
  EXPECT_EQ(run.exit_code, 1);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0], "Error|Cannot lock in this test");
  const std::string log = ReadFile(dir_ / "escaping_target.ERR");
  EXPECT_NE(log.find("\r\nException: std::runtime_error\r\nIn " + exe_ + "\r\nCannot lock in this test\r\n" +
                     kHeader),
            std::string::npos)
      << log;
  const std::string first = FirstTraceLine(log);
  EXPECT_NE(first.find("escaping_target.cpp ("), std::string::npos) << log;
  EXPECT_NE(first.find("ThrowDuringBatch"), std::string::npos) << log;
}

TEST_F(EscapingEndToEndTest, AFaultIsLoggedWithItsAddressFirst) {
  const ProgramRun run = RunProgram(exe_, {"fault"}, dir_.path());
  EXPECT_EQ(run.exit_code, 1);
  const std::string log = ReadFile(dir_ / "escaping_target.ERR");
  EXPECT_NE(log.find("\r\nException: EAccessViolation\r\n"), std::string::npos) << log;
  const std::string first = FirstTraceLine(log);
  EXPECT_NE(first.find("FaultDuringBatch"), std::string::npos) << log;
  // The message names the same address that opens the trace.
  EXPECT_NE(log.find("Access violation at address " + first.substr(0, first.find(' '))), std::string::npos)
      << log;
}

}  // namespace
