#include "update/version_file.h"

#include <array>
#include <exception>

#include "core/number_text.h"
#include "core/std_helpers.h"
#include "core/version.h"
#include "text/text_bytes.h"

namespace corvane {
namespace {

bool IsWholeNumber(std::string_view s) {
  s = TrimBlanks(s);
  if (s.empty()) return false;
  for (char c : s) {
    if (!IsAsciiDigit(c)) return false;
  }
  return true;
}

// -1, 0 or 1 as the whole number written in `digits` is less than, equal to
// or greater than `own` (not negative).
int CompareNumber(std::string_view digits, std::int32_t own) {
  digits = TrimBlanks(digits);
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  const std::string ownDigits = std::to_string(own);
  if (digits.size() != ownDigits.size()) return digits.size() < ownDigits.size() ? -1 : 1;
  const int order = digits.compare(ownDigits);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::int16_t ErrorCodeOf(std::string_view value) {
  try {
    return ToInt16(value);
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

VersionFileInfo ParseVersionFile(std::string_view text) {
  text = WithoutByteOrderMark(text);
  VersionFileInfo info;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);

    const auto take = [&line](std::string_view key, std::string& value) {
      if (!line.starts_with(key)) return false;
      value = std::string(line.substr(key.size()));
      return true;
    };
    std::string error;
    if (take("Current Version=", info.version) || take("Download=", info.download) ||
        take("Description=", info.description) || take("Message=", info.message)) {
      continue;
    }
    if (take("Error=", error)) info.errorNumber = ErrorCodeOf(error);
  }
  return info;
}

std::optional<VersionParts> SplitVersion(const std::string& version) {
  const auto first = version.find('.');
  if (first == std::string::npos) return std::nullopt;
  const auto second = version.find('.', first + 1);
  if (second == std::string::npos) return std::nullopt;
  VersionParts parts{version.substr(0, first), version.substr(first + 1, second - first - 1),
                     version.substr(second + 1)};
  for (const std::string* part : {&parts.majorPart, &parts.minorPart, &parts.revisionPart}) {
    if (!IsWholeNumber(*part)) return std::nullopt;
  }
  return parts;
}

Version OwnVersion() { return {kVersionMajor, kVersionMinor, kVersionRevision}; }

bool IsNewer(const VersionParts& parts, const Version& own) {
  const std::array<std::pair<const std::string*, std::int32_t>, 3> pairs{
      {{&parts.majorPart, own.major},
       {&parts.minorPart, own.minor},
       {&parts.revisionPart, own.revision}}};
  for (const auto& [digits, ownPart] : pairs) {
    if (const int order = CompareNumber(*digits, ownPart); order != 0) return order > 0;
  }
  return false;
}

}  // namespace corvane
