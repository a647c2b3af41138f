#pragma once

#include <cstdint>

namespace corvane {

// Severity of a log line; the view shows lines at or above a chosen level.
namespace LogLevel {
inline constexpr std::int32_t Debug = 0;
inline constexpr std::int32_t Info = 1;
inline constexpr std::int32_t Warning = 2;
inline constexpr std::int32_t Error = 3;
}  // namespace LogLevel

}  // namespace corvane
