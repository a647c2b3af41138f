#include "core/format_msg.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(FormatMsg, FillsPlaceholders) {
  const std::vector<MsgArg> ten = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "J"};
  const struct {
    std::string tmpl;
    std::vector<MsgArg> args;
    std::string expected;
  } cases[] = {
      {"%1: found %2 files, %2 in all", {"pt", -3}, "pt: found -3 files, -3 in all"},
      {"%1|%10", ten, "a|J"},  // %10 is filled before %1 could eat its start
      {"%10", {"a"}, "a0"},    // without a tenth value the %1 matches
      {"%1 %2 100%", {"a"}, "a %2 100%"},
      {"%2", {"one", "%1"}, "one"},  // a higher value is searched by a lower
      {"%1", {"%1"}, "%1"},          // but a lower one is not searched again
  };
  for (const auto& c : cases) EXPECT_EQ(FormatMsg(c.tmpl, c.args), c.expected) << c.tmpl;
  EXPECT_EQ(WithLeadingBlank(12) + WithLeadingBlank(-3), " 12-3");  // only non-negative get one
}

}  // namespace
}  // namespace corvane
