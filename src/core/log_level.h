#pragma once

#include <cstdint>

namespace corvane {

// Severity of a log line; the view shows lines at or above a chosen level.
// The settings file and the "set" command carry a level as its number; a
// stored number beyond Error is kept as it is (only raw lines show then).
enum class LogLevel : std::int16_t { Debug = 0, Info = 1, Warning = 2, Error = 3 };

constexpr std::int16_t LevelNumber(LogLevel level) { return static_cast<std::int16_t>(level); }
constexpr LogLevel LevelFromNumber(std::int16_t number) { return static_cast<LogLevel>(number); }

}  // namespace corvane
