#include "core/format_msg.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/daemon_error.h"
#include "core/number_text.h"

namespace corvane {
namespace {

// An error as Converted shows it. Appended: GCC 12's optimiser warns of an
// overlap, wrongly, in "E" + a string.
std::string ErrorText(int number) { return std::string("E").append(std::to_string(number)); }

// What ToInt32 makes of `text`: the number, or "E" and the error's number.
std::string Converted(const char* text) {
  try {
    return std::to_string(ToInt32(text));
  } catch (const DaemonError& error) {
    return ErrorText(error.number());
  }
}

TEST(NumberText, TrimmedDecimalsRoundHalfToEvenAndTheRestIsRefused) {
  const std::string mismatch = ErrorText(error_number::kTypeMismatch);
  const std::string overflow = ErrorText(error_number::kOverflow);
  // clang-format off
  const std::pair<const char*, std::string> cases[] = {
      {"\n\t +007 ", "7"}, {"2.5", "2"}, {"3.5", "4"}, {"-2.5", "-2"}, {"2.51", "3"}, {".6", "1"},
      {"-2147483648", "-2147483648"}, {"2147483646.5", "2147483646"},
      {"", mismatch}, {"1a", mismatch}, {"1 2", mismatch}, {"--1", mismatch}, {"1e3", mismatch},
      {"1,5", mismatch}, {".", mismatch}, {"0x10", mismatch}, {"١٢", mismatch},
      {"2147483648", overflow}, {"-2147483649", overflow}, {"2147483647.5", overflow}};
  // clang-format on
  for (const auto& [text, value] : cases) EXPECT_EQ(Converted(text), value) << text;
}

TEST(FormatMsg, FillsPlaceholders) {
  // The template, the values and the message. "%10" is filled before "%1"
  // could eat its start; without a tenth value the "%1" matches. Values are
  // never searched again.
  // clang-format off
  const std::tuple<std::string, std::vector<MsgArg>, std::string> cases[] = {
      {"%1: found %2 files, %2 in all", {"pt", -3}, "pt: found -3 files, -3 in all"},
      {"%1|%10", {"a", "b", "c", "d", "e", "f", "g", "h", "i", "J"}, "a|J"}, {"%10", {"a"}, "a0"},
      {"%2 %1", {"one", "%1"}, "%1 one"}, {"%1 %2 100%", {"a"}, "a %2 100%"},
      {"%1%", {"50"}, "50%"}};
  // clang-format on
  for (const auto& [tmpl, args, text] : cases) EXPECT_EQ(FormatMsg(tmpl, args), text) << tmpl;
  // Values arrive escaped, reversibly: they cannot split a line or command
  // the terminal.
  // Neighbours of the escaped ranges, and printable characters: U+00A0 ä € 😀.
  const std::string kept =
      "\u061b\u061d\u200a\u2010\u2027\u202f\u205f\u2070\ufefc\uff01"
      "\xc2\xa0\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80";
  const std::pair<std::string, std::string> escaped[] = {
      {kept, kept},
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
  };
  for (const auto& [value, text] : escaped) EXPECT_EQ(FormatMsg("%1", {value}), text) << text;
}

}  // namespace
}  // namespace corvane
