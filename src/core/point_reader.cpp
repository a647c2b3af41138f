#include "core/point_reader.h"

#include <string>

#include "core/number_text.h"
#include "xml/xml_document.h"

namespace corvane {
namespace {

// Flags are numbers: exactly 1 turns them on, any other number off.
void ReadFlag(const std::string& text, bool& flag) {
  if (!text.empty()) flag = ToInt16(text) == 1;
}

}  // namespace

ObservationPoint ReadPoint(const XmlDocument& document, int position) {
  const std::string base = "/Corvane/Observation/Point[" + std::to_string(position) + "]/";
  const auto node = [&](const char* name) { return document.ReadNode(base + name); };
  const auto attribute = [&](const char* element, const char* name) {
    return document.ReadAttribute(base + element, name);
  };

  ObservationPoint point;
  point.name = node("Name");
  point.directory = node("Directory");
  point.filePattern = node("FilePattern");
  point.interval = ToInt32(node("Intervall"));
  point.watch = attribute("Intervall", "Watch") == "1";
  point.command = node("Command");
  point.noSubdirectories = node("NoSubdirs") == "Yes";
  point.shared = node("Shared") == "Yes";
  if (const std::string wait = attribute("Command", "Wait"); !wait.empty()) {
    point.wait = ToInt32(wait);
  }
  ReadFlag(attribute("Command", "Terminate"), point.terminate);
  point.successFolder = attribute("Command", "OnSuccess");
  point.failureFolder = attribute("Command", "OnFailure");
  if (std::string window = attribute("Command", "Window"); !window.empty()) {
    point.windowStyle = std::move(window);
  }
  ReadFlag(attribute("Attributes", "Hidden"), point.hidden);
  ReadFlag(attribute("Attributes", "System"), point.system);
  ReadFlag(attribute("Attributes", "Archive"), point.archive);
  ReadFlag(attribute("Attributes", "Compressed"), point.compressed);
  ReadFlag(attribute("Attributes", "Readonly"), point.readOnly);
  ReadFlag(attribute("Attributes", "Exclusive"), point.exclusive);
  if (const std::string lastChange = node("LastChange"); !lastChange.empty()) {
    point.minimumAge = ToInt32(lastChange);
    point.ageUnit = attribute("LastChange", "Period");
    if (point.ageUnit.empty()) point.ageUnit = "sec";
  }
  return point;
}

}  // namespace corvane
