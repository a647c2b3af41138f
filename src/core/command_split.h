#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// What a point's Command may refer to. Values are bytes: a file name need not
// be valid UTF-8 and is never converted.
struct PlaceholderValues {
  std::string file;        // %File%: the listed directory (ending in "/") and the name
  std::string fileName;    // %FileName%
  std::string dir;         // %Dir%: the point's top directory
  std::string pointName;   // %PointName%
  std::string daemonName;  // %DaemonName%
};

// Replaces each placeholder (case-sensitive) by its value in one pass: an
// inserted value is never searched again, so a file named "%Dir%x" stays
// "%Dir%x". Everything else is kept as it is.
std::string FillPlaceholders(std::string_view text, const PlaceholderValues& values);

// Splits a command text into arguments by the quoting rules of the POSIX
// shell, without any expansion: blanks (space, tab, newline) outside quotes
// separate; '…' keeps everything literally; "…" keeps everything but a
// backslash before \\ " $ ` or a newline; outside quotes a backslash takes
// the next character literally and a backslash-newline is removed. Quotes
// are removed; "" is an empty argument. Nothing when a quote is left open.
std::optional<std::vector<std::string>> SplitCommand(std::string_view text);

// A command ready to start.
struct CommandLine {
  std::vector<std::string> args;  // empty: the Command cannot be started
  std::string text;               // the Command with its placeholders filled, for messages
};

// Splits the Command first and fills the placeholders inside each argument
// afterwards, so that no value can add, split or remove an argument.
CommandLine BuildCommandLine(std::string_view commandLine, const PlaceholderValues& values);

}  // namespace corvane
