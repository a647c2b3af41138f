#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// The verb text for a verb number: 1 "open", 2 "explore", 3 "find",
// 4 "print", 5 "edit"; any other number gives "" (the default verb).
std::string ShellVerbName(std::int32_t lVerb);

// Opens a file, directory or URL with the desktop's handler. The default
// verb, "open" and "explore" (which opens a directory in the file manager)
// are what a Linux desktop offers; "find", "print" and "edit" have no
// desktop-neutral counterpart and give false without opening anything.
// A relative file name is taken from sDirectory (or the current directory
// when that is empty). The handler gets no parameters and chooses its own
// window, so sParameters and iShow are accepted and not used. True when the
// desktop accepted the request; without a graphical session (a console-only
// application object) nothing opens and the answer is false.
bool ShellExec(const std::string& sFile, std::int32_t lVerb, const std::string& sParameters,
               const std::string& sDirectory, std::int32_t iShow);

}  // namespace corvane
