// The extension's raise sites against the log format's list of failures, which support
// and administrators match log entries by.
#include <gtest/gtest.h>

#include <string>

#include "diagnostics/RaiseSites.h"
#include "testing/LoggedFailures.h"

namespace {

TEST(RaiseSites, EverySiteLogsTheFileLineAndDescriptionTheLogFormatFixes) {
  const auto& sites = pellacorm::raise::kAll;
  const auto& golden = testsupport::logged::kAll;
  ASSERT_EQ(std::size(sites), std::size(golden));
  for (std::size_t i = 0; i < std::size(sites); ++i) {
    EXPECT_STREQ(sites[i]->file, ".\\ExchRuleExt") << golden[i].description;
    EXPECT_EQ(sites[i]->line, golden[i].line) << golden[i].description;
    EXPECT_STREQ(sites[i]->description, golden[i].description) << golden[i].line;
  }
}

}  // namespace
