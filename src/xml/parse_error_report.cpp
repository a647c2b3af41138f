#include "xml/parse_error_report.h"

#include <algorithm>

#include "text/text_bytes.h"

namespace corvane {
ParseErrorLocation LocateOffset(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  // The parser counts a byte order mark; a reader of the file does not see it.
  const std::string_view content = WithoutByteOrderMark(text);
  const std::size_t markSize = text.size() - content.size();
  if (offset >= markSize) {
    text = content;
    offset -= markSize;
  }
  ParseErrorLocation where;
  where.line = 1;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    const char c = text[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++where.line;
      lineStart = i + 1;
    }
  }
  where.column = 1 + std::count_if(text.begin() + lineStart, text.begin() + offset,
                                   [](char c) { return !IsUtf8Continuation(c); });
  const std::size_t lineEnd = text.find_first_of("\r\n", lineStart);
  where.sourceText = text.substr(
      lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
  return where;
}

std::string ParseErrorReportText(int errorCode, std::string_view reason,
                                 const ParseErrorLocation& where) {
  std::string text = "Error loading XML\r\n\r\n";
  text += std::to_string(errorCode) + "\r\n";
  text += reason;
  text += "Line " + std::to_string(where.line) + ", Position " + std::to_string(where.column) +
          "\r\n\r\n";
  text += where.sourceText + "\r\n";
  return text;
}

}  // namespace corvane
