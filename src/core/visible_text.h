#pragma once

#include <string>
#include <string_view>

namespace corvane {

// A value from outside (a file or directory name, a command line, a typed
// line, a server's message) made safe to put into a log line: it can neither
// split the line nor send the terminal a command. The escaping is reversible:
//
//   "\"                        -> "\\"
//   CR, LF                     -> "\r", "\n"
//   other C0 controls, DEL     -> "\xHH" (ESC is "\x1b"); tab stays as it is
//   U+0080..U+009F (C1, UTF-8) -> "\u00HH"
//   a byte that is not part of valid UTF-8 -> "\xHH"
//
// Everything else, valid UTF-8 included, is kept byte for byte. Reading it
// back: "\xHH" is the byte HH, "\u00HH" the code point U+00HH in UTF-8.
std::string VisibleText(std::string_view value);

}  // namespace corvane
