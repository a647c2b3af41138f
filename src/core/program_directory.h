#pragma once

#include <string>

namespace corvane {

// Where the language files live: the executable's own directory when it
// holds "english.lng" (build tree, portable copy), else "../share/corvane"
// from there when that holds it (an installed or relocated tree), else the
// data directory of the prefix the program was built for. Ends without "/".
std::string ProgramDirectory();

// The program directory, "/" and a file name; a full path stays as it is.
std::string ProgramFile(const std::string& name);

}  // namespace corvane
