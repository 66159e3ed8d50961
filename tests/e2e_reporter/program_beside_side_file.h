// What the reporter's end-to-end tests share: a built program copied with its
// side file into a fresh folder and started from there, as a person starts
// it, and the "Application error" dialogs it shows.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tests/support/win32/child_process.h"
#include "tests/support/win32/process_windows.h"
#include "tests/support/win32/wine_paths.h"

namespace reporter_e2e {

// The controls of the "Application error" dialog.
constexpr int kReport = 1000, kSend = 1002, kTerminate = 1003, kContinue = 1004, kMessage = 1010;

// The report's first lines; the most recent frame follows them.
const std::string kHeader = "Stack trace:\r\nPhysical Logical  Unit  (######) Routine\r\n";

// How often `part` stands in `text`, overlapping ones included.
inline std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class ProgramBesideSideFile : public ::testing::Test {
 protected:
  // `built`: the program in the build tree (a path ending in ".exe");
  // `name`: its file name without the extension.
  ProgramBesideSideFile(const std::string& built, const std::string& name) : built_(built), name_(name) {}

  // Copies the program and its side file into the folder, starts it there and
  // waits for its window of class `class_name` and title `title` (any title
  // when empty); a failed step is a fatal failure of the test.
  void StartProgram(const std::string& class_name, const std::string& title) {
    const std::string side_file = dir_ / (name_ + ".RLI");
    ASSERT_TRUE(CopyFileA(testing_support::BesideProgram(built_, ".exe").c_str(), exe_.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(testing_support::BesideProgram(built_, ".RLI").c_str(), side_file.c_str(), FALSE));
    ASSERT_TRUE(process_.Start("\"" + exe_ + "\"", dir_.path()));
    window_ = testing_support::WaitForProcessWindow(process_.id(), class_name, title, 60000, 100);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { process_.EndIfRunning(); }

  // The program's "Application error" dialog once it shows; nullptr after a
  // minute without one.
  HWND WaitForErrorDialog() {
    return testing_support::WaitForProcessWindow(process_.id(), "#32770", "Application error", 60000, 100);
  }
  // The exit code once the program has ended (waiting up to a minute).
  DWORD ExitCode() { return process_.ExitCode(60000); }
  // The program's error log beside it.
  std::string Log() { return testing_support::ReadFile(dir_ / (name_ + ".ERR")); }

  const std::string built_;
  const std::string name_;
  testing_support::TempDir dir_;
  const std::string exe_ = dir_ / (name_ + ".exe");
  testing_support::ChildProcess process_;
  HWND window_ = nullptr;
};

}  // namespace reporter_e2e
