#pragma once

// The terminal and standard input of console mode.

#include <cstddef>
#include <string>

namespace corvane::platform {

// True when standard output is a terminal (for bold text and the title).
bool StdoutIsTerminal();

// Standard input, from which console mode reads its commands.
int StandardInputDescriptor();

// What one read of an input descriptor brought.
enum class InputRead { Data, EndOfInput, NothingYet };

// Appends what `fd` holds now, at most `maxBytes`, to `chunk`. Never blocks
// when the descriptor was reported readable. A read error counts as the end
// of the input, since nothing more will come from it.
InputRead ReadInput(int fd, std::string& chunk, std::size_t maxBytes);

// Sets the terminal's title when standard output is a terminal; otherwise
// does nothing. Control characters of the title are left out, so that a
// name can never send the terminal a command.
void SetTerminalTitle(const std::string& title);

}  // namespace corvane::platform
