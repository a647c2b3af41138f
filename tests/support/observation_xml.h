#pragma once

#include <string>
#include <vector>

namespace corvane::test {

// One point on `directory`, checked every `interval` seconds; `more` holds
// its further elements (Command, FilePattern, Attributes, ...).
inline std::string PointXml(const std::string& directory, int interval, const std::string& more) {
  return "<Point><Directory>" + directory + "</Directory><Intervall>" + std::to_string(interval) +
         "</Intervall>" + more + "</Point>";
}

// Lets a point's files be checked even while another process has them open.
inline constexpr const char* kNotExclusive = "<Attributes Exclusive=\"0\"/>";

inline std::string ObservationXml(const std::string& name, const std::vector<std::string>& points) {
  std::string all;
  for (const std::string& point : points) all += point;
  return "<Corvane><Name>" + name + "</Name><Observation>" + all + "</Observation></Corvane>";
}

}  // namespace corvane::test
