// An installed terminal program: a copy of the built program beside a copy
// of the built templates, and a site folder to lock in.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override;

  // The page at `path` opens with `password` and gives `original` back.
  static ::testing::AssertionResult OpensWith(const std::string& path, const std::string& password,
                                              const std::string& original);

  testing_support::TempDir install_;
  testing_support::TempDir site_;
  std::string program_;
};
