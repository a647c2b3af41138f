#include "core/format_msg.h"

#include "core/visible_text.h"
#include "text/text_bytes.h"

namespace corvane {

// Fills in one pass over the template, so that an inserted value is never
// searched for placeholders again: a file name holding "%1" stays as it is.
// At each "%" the longest run of digits that names a value wins, which is
// what filling the highest number first would give ("%10" takes the tenth
// value, or the first followed by "0" when there are fewer than ten).
std::string FormatMsg(std::string_view templateText, const std::vector<MsgArg>& args) {
  std::string text;
  text.reserve(templateText.size());
  std::size_t pos = 0;
  while (pos < templateText.size()) {
    const char c = templateText[pos];
    std::size_t digits = 0;
    std::size_t number = 0;
    std::size_t used = 0;  // digits of the longest number that names a value
    std::size_t chosen = 0;
    while (c == '%' && pos + 1 + digits < templateText.size() && digits < 9 &&
           IsAsciiDigit(templateText[pos + 1 + digits])) {
      number = number * 10 + static_cast<std::size_t>(templateText[pos + 1 + digits] - '0');
      ++digits;
      if (number >= 1 && number <= args.size()) {
        used = digits;
        chosen = number;
      }
    }
    if (used == 0) {
      text += c;
      ++pos;
      continue;
    }
    text += VisibleText(args[chosen - 1].text());
    pos += 1 + used;
  }
  return text;
}

std::string WithLeadingBlank(long long n) {
  std::string text = n >= 0 ? std::string(1, ' ') : std::string();
  text += std::to_string(n);
  return text;
}

}  // namespace corvane
