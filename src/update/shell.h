#pragma once

#include <string>

namespace corvane {

// What to do with a file, directory or URL; Default is the handler's own
// choice.
enum class ShellVerb { Default, Open, Explore, Find, Print, Edit };

// Opens a file, directory or URL with the desktop's handler. The default
// verb, Open and Explore (which opens a directory in the file manager) are
// what a Linux desktop offers; Find, Print and Edit have no desktop-neutral
// counterpart and give false without opening anything. A relative file name
// is taken from `directory` (or the current directory when that is empty).
// True when the desktop accepted the request; without a graphical session
// (a console-only application object) nothing opens and the answer is
// false.
bool ShellExec(const std::string& file, ShellVerb verb, const std::string& directory = "");

}  // namespace corvane
