#pragma once

// Every call into the operating system that the core makes goes through this
// header; platform_linux.cpp implements it with POSIX and Linux calls.
// Paths are byte strings: Linux file names need not be valid UTF-8.

#include <string>

namespace corvane::platform {

// True when a file or directory exists under the path (links are followed).
bool PathExists(const std::string& path);

// True when standard output is a terminal (for bold text and the title).
bool StdoutIsTerminal();

}  // namespace corvane::platform
