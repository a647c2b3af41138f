#include "core/number_text.h"

#include <gtest/gtest.h>

#include "core/daemon_error.h"

namespace corvane {
namespace {

// The error number ToInt32 throws for `text`; 0 when it converts.
int ErrorOf(const char* text) {
  try {
    ToInt32(text);
    return 0;
  } catch (const DaemonError& error) {
    return error.number();
  }
}

TEST(NumberText, AcceptsTrimmedWholeAndDecimalNumbersRoundingHalfToEven) {
  EXPECT_EQ(ToInt32("\n\t +007 "), 7);
  EXPECT_EQ(ToInt32("2.5"), 2);
  EXPECT_EQ(ToInt32("3.5"), 4);
  EXPECT_EQ(ToInt32("-2.5"), -2);
  EXPECT_EQ(ToInt32("2.51"), 3);
  EXPECT_EQ(ToInt32(".6"), 1);
  EXPECT_EQ(ToInt32("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ToInt32("2147483646.5"), 2147483646);
  EXPECT_EQ(ToInt16("-32768"), -32768);
  EXPECT_THROW(ToInt16("32768"), DaemonError);
}

TEST(NumberText, RejectsOtherTextAsTypeMismatchAndOutOfRangeAsOverflow) {
  for (const char* text : {"", "1a", "1 2", "--1", "1e3", "1,5", ".", "0x10", "١٢"}) {
    EXPECT_EQ(ErrorOf(text), ErrorNumber::TypeMismatch) << text;
  }
  for (const char* text : {"2147483648", "-2147483649", "2147483647.5"}) {
    EXPECT_EQ(ErrorOf(text), ErrorNumber::Overflow) << text;
  }
}

TEST(DaemonError, ErrorLineNamesNumberAndDescription) {
  EXPECT_EQ(ErrorLine("x:", std::overflow_error("whatever")), "x:6 (Overflow)");
  EXPECT_EQ(ErrorLine("x:", std::bad_alloc()), "x:7 (Out of memory)");
  EXPECT_EQ(ErrorLine("x:", std::runtime_error("odd")), "x:51 (odd)");
}

}  // namespace
}  // namespace corvane
