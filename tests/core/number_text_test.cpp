#include "core/number_text.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/daemon_error.h"

namespace corvane {
namespace {

// The error number `convert` throws for `text`; 0 when it converts.
template <typename Convert>
int ErrorOf(Convert convert, const char* text) {
  try {
    convert(text);
    return 0;
  } catch (const DaemonError& error) {
    return error.number();
  }
}

TEST(NumberText, TrimmedDecimalsRoundHalfToEvenAndTheRestIsRefused) {
  // clang-format off
  const std::pair<const char*, std::int32_t> converted[] = {
      {"\n\t +007 ", 7}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"2.51", 3}, {".6", 1},
      {"-2147483648", INT32_MIN}, {"2147483646.5", 2147483646}};
  // clang-format on
  for (const auto& [text, value] : converted) EXPECT_EQ(ToInt32(text), value) << text;
  for (const char* text : {"", "1a", "1 2", "--1", "1e3", "1,5", ".", "0x10", "١٢"}) {
    EXPECT_EQ(ErrorOf(ToInt32, text), error_number::kTypeMismatch) << text;
  }
  for (const char* text : {"2147483648", "-2147483649", "2147483647.5"}) {
    EXPECT_EQ(ErrorOf(ToInt32, text), error_number::kOverflow) << text;
  }
  EXPECT_EQ(ToInt16("-32768"), -32768);
  EXPECT_EQ(ErrorOf(ToInt16, "32768"), error_number::kOverflow);
}

}  // namespace
}  // namespace corvane
