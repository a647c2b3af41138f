#include "xml/parse_error_report.h"

#include <gtest/gtest.h>

#include "xml/text_decoding.h"

namespace corvane {
namespace {

struct Located {
  const char* text;
  std::size_t offset;
  long line;
  long column;
  const char* source;
};

TEST(ParseErrorReport, LocatesOffsetsByLineAndCharacter) {
  const Located cases[] = {
      {"<a><b></a>", 6, 1, 7, "<a><b></a>"},
      {"<a>\n<b x=1/>\n</a>", 9, 2, 6, "<b x=1/>"},
      {"<a>\r\n<b>\r\n</c>", 12, 3, 3, "</c>"},
      {"<a>\r<b>", 5, 2, 2, "<b>"},
      {"<a>\xc3\xa9\xc3\xa9<", 7, 1, 6, "<a>\xc3\xa9\xc3\xa9<"},  // columns count characters
      {"<a>\n", 400, 2, 1, ""},                                   // past the end
      {"", 0, 1, 1, ""},
      {"\xef\xbb\xbf<a><", 6, 1, 4, "<a><"},  // the byte order mark is not a column
  };
  for (const Located& c : cases) {
    const ParseErrorLocation where = LocateOffset(c.text, c.offset);
    EXPECT_EQ(where.line, c.line) << c.text;
    EXPECT_EQ(where.column, c.column) << c.text;
    EXPECT_EQ(where.sourceText, c.source) << c.text;
  }
}

TEST(TextDecoding, ConvertsEachDetectedEncodingToUtf8) {
  using std::string_literals::operator""s;
  EXPECT_EQ(DecodeToUtf8("caf\xe9", pugi::encoding_latin1), "caf\xc3\xa9");
  EXPECT_EQ(DecodeToUtf8("\xff\xfe<\0\xe9\0"s, pugi::encoding_utf16_le), "\xef\xbb\xbf<\xc3\xa9");
  EXPECT_EQ(DecodeToUtf8("\xd8\x3d\xde\x00\x00"s, pugi::encoding_utf16_be), "\xf0\x9f\x98\x80");
  EXPECT_EQ(DecodeToUtf8("\xd8\x3d\x00<"s, pugi::encoding_utf16_be), "\xef\xbf\xbd<");
  EXPECT_EQ(DecodeToUtf8("<\0\0\0\x00\x10\x11\0"s, pugi::encoding_utf32_le), "<\xef\xbf\xbd");
  EXPECT_EQ(DecodeToUtf8("<a>", pugi::encoding_utf8), "<a>");
}

}  // namespace
}  // namespace corvane
