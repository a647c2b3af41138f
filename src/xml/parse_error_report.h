#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Where a parse error sits in the text the parser read.
struct ParseErrorLocation {
  long line = 0;           // 1-based; 0 when the error is not in the text
  long column = 0;         // 1-based, in characters; 0 likewise
  std::string sourceText;  // the offending line without its line break
};

// Locates byte `offset` of the UTF-8 `text`. Lines end at LF, CR LF or a
// lone CR; an offset past the end points behind the last character; a
// leading byte order mark is not counted.
ParseErrorLocation LocateOffset(std::string_view text, std::size_t offset);

// The text of the parse-error message box: the heading, the code, the
// reason exactly as given, the position and the offending line, separated
// by CR LF.
std::string ParseErrorReportText(int errorCode, std::string_view reason,
                                 const ParseErrorLocation& where);

}  // namespace corvane
