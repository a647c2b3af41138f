#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// What the update server's version file says. Every text is the value as
// written: the rest of its line, without the line end, nothing trimmed.
struct VersionFileInfo {
  std::string version;           // "Current Version="
  std::string download;          // "Download="
  std::string description;       // "Description=", read and not used
  std::string message;           // "Message="
  std::int16_t errorNumber = 0;  // "Error=": 0 normal, 1 no update, 2 beta
};

// Reads a version file's text: UTF-8, an optional byte-order mark, lines
// ending in CR LF or LF. A key counts only at the very start of a line and
// spelt exactly (case counts); other lines are ignored; when a key occurs
// twice the later line wins. An "Error=" value that is not a whole 16-bit
// number counts as 0.
VersionFileInfo ParseVersionFile(std::string_view text);

// A version split at its first and second ".", each part as written, so a
// leading zero is kept for showing.
struct VersionParts {
  std::string majorPart;
  std::string minorPart;
  std::string revisionPart;
};

// Empty when the version has fewer than two "." or when a part is not a
// whole number (decimal digits, blanks around them allowed). "1.0.2.5" fails:
// its revision "2.5" is not whole.
std::optional<VersionParts> SplitVersion(const std::string& version);

// The program's own version.
struct Version {
  std::int32_t major = 0;
  std::int32_t minor = 0;
  std::int32_t revision = 0;
};
Version OwnVersion();

// True when the parts, taken as numbers, are greater than `own`, compared
// part by part from major to revision. Numbers of any length are compared
// without overflow. The parts must have passed SplitVersion.
bool IsNewer(const VersionParts& parts, const Version& own);

}  // namespace corvane
