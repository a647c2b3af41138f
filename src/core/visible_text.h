#pragma once

#include <string>
#include <string_view>

namespace corvane {

// A value from outside (a file or directory name, a command line, a typed
// line, a server's message) made safe to put into a log line: it can neither
// split the line, send the terminal a command, nor disguise itself. The
// escaping is reversible:
//
//   "\"                        -> "\\"
//   CR, LF                     -> "\r", "\n"
//   other C0 controls, DEL     -> "\xHH" (ESC is "\x1b"); tab stays as it is
//   U+0080..U+009F (C1, UTF-8) -> "\u00HH"
//   bidirectional controls (U+061C, U+200E, U+200F, U+202A..U+202E,
//   U+2066..U+2069), zero-width and other invisible format characters
//   (U+200B..U+200D, U+2060..U+2065, U+206A..U+206F, U+FEFF), and the line
//   and paragraph separators U+2028, U+2029 -> "\uHHHH"
//   a byte that is not part of valid UTF-8 -> "\xHH"
//
// Everything else, valid UTF-8 included, is kept byte for byte. Reading it
// back: "\xHH" is the byte HH, "\uHHHH" the code point U+HHHH in UTF-8.
std::string VisibleText(std::string_view value);

}  // namespace corvane
