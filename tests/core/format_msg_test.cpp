#include "core/format_msg.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct FormatCase {
  const char* name;
  std::string tmpl;
  std::vector<MsgArg> args;
  std::string expected;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class FormatMsgTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatMsgTest, FillsPlaceholders) {
  EXPECT_EQ(FormatMsg(GetParam().tmpl, GetParam().args), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatMsgTest,
    ::testing::Values(FormatCase{"NoValues", "a %1 b", {}, "a %1 b"},
                      FormatCase{
                          "TextAndNumber", "%1: found %2 files", {"pt", 3}, "pt: found 3 files"},
                      FormatCase{"NegativeNumber", "[%1]", {-1}, "[-1]"},
                      FormatCase{"EveryOccurrence", "%1 and %1", {"x"}, "x and x"},
                      FormatCase{"TenthBeforeFirst",
                                 "%1|%10",
                                 {"a", "b", "c", "d", "e", "f", "g", "h", "i", "J"},
                                 "a|J"},
                      FormatCase{"MissingValueStays", "%1 %2 %3", {"a"}, "a %2 %3"},
                      FormatCase{"SurplusValuesUnused", "%1", {"a", "b"}, "a"},
                      FormatCase{"HigherValueSearchedByLower", "%2", {"one", "%1"}, "one"},
                      FormatCase{"LowerValueNotSearchedAgain", "%1", {"%1"}, "%1"},
                      FormatCase{"WithoutValueForTenTheOneMatches", "%10", {"a"}, "a0"},
                      FormatCase{"PercentAlone", "100%", {"x"}, "100%"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WithLeadingBlank, OnlyNonNegativeNumbersGetTheBlank) {
  EXPECT_EQ(WithLeadingBlank(0), " 0");
  EXPECT_EQ(WithLeadingBlank(12), " 12");
  EXPECT_EQ(WithLeadingBlank(-3), "-3");
}

}  // namespace
}  // namespace corvane
