#include "core/format_msg.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(FormatMsg, FillsPlaceholders) {
  const std::vector<MsgArg> ten = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "J"};
  const std::string printable = "\xc2\xa0\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80";  // U+00A0 ä € 😀
  const struct {
    std::string tmpl;
    std::vector<MsgArg> args;
    std::string expected;
  } cases[] = {
      {"%1: found %2 files, %2 in all", {"pt", -3}, "pt: found -3 files, -3 in all"},
      {"%1|%10", ten, "a|J"},              // %10 is filled before %1 could eat its start
      {"%10", {"a"}, "a0"},                // without a tenth value the %1 matches
      {"%2 %1", {"one", "%1"}, "%1 one"},  // values are never searched again
      {"%1 %2 100%", {"a"}, "a %2 100%"},
      {"%1%", {"50"}, "50%"},
      // Values arrive escaped, reversibly: they cannot split a line or
      // command the terminal.
      {"'%1'", {"a\r\nb\tc\\d"}, "'a\\r\\nb\tc\\\\d'"},
      {"%1", {std::string("\x1b[31m\a\x7f\0", 8)}, "\\x1b[31m\\x07\\x7f\\x00"},
      {"%1", {"\302\2332J \302\200"}, "\\u009b2J \\u0080"},  // C1 controls as UTF-8
      // Characters that reorder or hide text, the ends of each range; their
      // neighbours stay.
      {"%1",
       {"\u061c\u200b\u200d\u200e\u200f\u2028\u2029\u202a\u202e"},
       "\\u061c\\u200b\\u200d\\u200e\\u200f\\u2028\\u2029\\u202a\\u202e"},
      {"%1",
       {"\u2060\u2064\u2066\u2069\u206f\ufeff"},
       "\\u2060\\u2064\\u2066\\u2069\\u206f\\ufeff"},
      {"%1",
       {"\u061b\u061d\u200a\u2010\u2027\u202f\u205f\u2070\ufefc\uff01"},
       "\u061b\u061d\u200a\u2010\u2027\u202f\u205f\u2070\ufefc\uff01"},
      {"%1", {printable}, printable},
      // Bytes of no valid UTF-8 sequence: a lone C1 byte, a cut sequence,
      // an overlong "/", a surrogate, a code point past U+10FFFF.
      {"%1",
       {"\x9b\xe2\x82 \xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80"},
       "\\x9b\\xe2\\x82 \\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatMsg(c.tmpl, c.args), c.expected) << c.tmpl;
}

}  // namespace
}  // namespace corvane
