#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Splits a console line into tokens, byte by byte. A blank ends a token
// unless it is inside double quotes or the byte before it was itself a
// separating blank; quote characters are dropped. So:
//   - a run of n blanks ends the token once and leaves n - 1 blanks at the
//     front of the next token;
//   - a leading blank stays at the front of token 0;
//   - a trailing blank yields a last, empty token;
//   - an empty line yields one empty token.
// The result is never empty.
std::vector<std::string> TokenizeCommand(std::string_view line);

}  // namespace corvane
