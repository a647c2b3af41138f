#pragma once

// How the list control tests a file name against one pattern of its
// Filter. The control does not know the pattern rules: its host hands it a
// factory, which the daemon wires to its own matcher, so that the control
// lists exactly the names the daemon would pick up.

#include <functional>
#include <string_view>

namespace corvane {

// True when the name (its bytes as on disk) fits.
using NameMatcher = std::function<bool(std::string_view name)>;

// Compiles one pattern (no "|" in it) into a matcher.
using NameMatcherFactory = std::function<NameMatcher(std::string_view pattern)>;

}  // namespace corvane
