#include "core/format_msg.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "core/daemon_error.h"
#include "core/number_text.h"

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

TEST(FormatMsg, FillsPlaceholders) {
  const std::vector<MsgArg> ten = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "J"};
  // The template, the values and the message.
  const std::tuple<std::string, std::vector<MsgArg>, std::string> cases[] = {
      {"%1: found %2 files, %2 in all", {"pt", -3}, "pt: found -3 files, -3 in all"},
      {"%1|%10", ten, "a|J"},              // %10 is filled before %1 could eat its start
      {"%10", {"a"}, "a0"},                // without a tenth value the %1 matches
      {"%2 %1", {"one", "%1"}, "%1 one"},  // values are never searched again
      {"%1 %2 100%", {"a"}, "a %2 100%"},
      {"%1%", {"50"}, "50%"},
  };
  for (const auto& [tmpl, args, text] : cases) EXPECT_EQ(FormatMsg(tmpl, args), text) << tmpl;
  // Values arrive escaped, reversibly: they cannot split a line or command
  // the terminal.
  // Neighbours of the escaped ranges, and printable characters: U+00A0 ä € 😀.
  const std::string kept =
      "\u061b\u061d\u200a\u2010\u2027\u202f\u205f\u2070\ufefc\uff01"
      "\xc2\xa0\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80";
  const std::pair<std::string, std::string> escaped[] = {
      {"a\r\nb\tc\\d", "a\\r\\nb\tc\\\\d"},
      {"\302\2332J \302\200", "\\u009b2J \\u0080"},  // C1 controls as UTF-8
      // Characters that reorder or hide text, the ends of each range.
      {"\u061c\u200b\u200d\u200e\u200f\u2028\u2029\u202a\u202e",
       "\\u061c\\u200b\\u200d\\u200e\\u200f\\u2028\\u2029\\u202a\\u202e"},
      {"\u2060\u2064\u2066\u2069\u206f\ufeff", "\\u2060\\u2064\\u2066\\u2069\\u206f\\ufeff"},
      // Bytes of no valid UTF-8 sequence: a lone C1 byte, a cut sequence,
      // an overlong "/", a surrogate, a code point past U+10FFFF.
      {"\x9b\xe2\x82 \xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80",
       "\\x9b\\xe2\\x82 \\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80"},
      {kept, kept},
  };
  for (const auto& [value, text] : escaped) EXPECT_EQ(FormatMsg("%1", {value}), text) << text;
}

}  // namespace
}  // namespace corvane
