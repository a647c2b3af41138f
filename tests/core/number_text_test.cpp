#include "core/number_text.h"

#include <gtest/gtest.h>

#include "core/daemon_error.h"

namespace corvane {
namespace {

struct Accepted {
  const char* text;
  std::int32_t value;
};

class NumberTextAccepts : public ::testing::TestWithParam<Accepted> {};

TEST_P(NumberTextAccepts, ToInt32) { EXPECT_EQ(ToInt32(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberTextAccepts,
    ::testing::Values(Accepted{"0", 0}, Accepted{"42", 42}, Accepted{"+7", 7}, Accepted{"-1", -1},
                      Accepted{"  12  ", 12}, Accepted{"\n\t 5\n", 5}, Accepted{"007", 7},
                      Accepted{"2.5", 2}, Accepted{"3.5", 4}, Accepted{"-2.5", -2},
                      Accepted{"-3.5", -4}, Accepted{"2.51", 3}, Accepted{"2.4999", 2},
                      Accepted{"2.50000", 2}, Accepted{"3.", 3}, Accepted{".6", 1},
                      Accepted{"2147483647", 2147483647}, Accepted{"-2147483648", -2147483647 - 1},
                      Accepted{"2147483646.5", 2147483646}));

TEST(NumberText, RejectsWhatIsNotAWholeOrDecimalNumber) {
  for (const char* text :
       {"", "   ", "abc", "1a", "1 2", "--1", "+-1", "1e3", "1,5", ".", "-", "0x10", "١٢"}) {
    try {
      ToInt32(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const DaemonError& error) {
      EXPECT_EQ(error.number(), ErrorNumber::TypeMismatch) << text;
    }
  }
}

TEST(NumberText, OutOfRangeIsAnOverflow) {
  for (const char* text :
       {"2147483648", "-2147483649", "99999999999999999999999", "2147483647.5"}) {
    try {
      ToInt32(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const DaemonError& error) {
      EXPECT_EQ(error.number(), ErrorNumber::Overflow) << text;
    }
  }
  EXPECT_EQ(ToInt16("32767"), 32767);
  EXPECT_EQ(ToInt16("-32768"), -32768);
  EXPECT_THROW(ToInt16("40000"), DaemonError);
  EXPECT_THROW(ToInt16("-32769"), DaemonError);
}

TEST(DaemonError, ErrorLineNamesNumberAndDescription) {
  EXPECT_EQ(ErrorLine("modMain::fLoadFile:", TypeMismatchError()),
            "modMain::fLoadFile:13 (Type mismatch)");
  EXPECT_EQ(ErrorLine("x:", std::overflow_error("whatever")), "x:6 (Overflow)");
  EXPECT_EQ(ErrorLine("x:", std::bad_alloc()), "x:7 (Out of memory)");
  EXPECT_EQ(ErrorLine("x:", std::runtime_error("odd")), "x:51 (odd)");
}

}  // namespace
}  // namespace corvane
