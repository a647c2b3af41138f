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
  point.Name = node("Name");
  point.Directory = node("Directory");
  point.FilePattern = node("FilePattern");
  point.Intervall = ToInt32(node("Intervall"));
  point.Watch = attribute("Intervall", "Watch") == "1";
  point.Command = node("Command");
  point.NoSubdirs = node("NoSubdirs") == "Yes";
  if (const std::string wait = attribute("Command", "Wait"); !wait.empty()) {
    point.Wait = ToInt32(wait);
  }
  ReadFlag(attribute("Command", "Terminate"), point.Terminate);
  if (std::string window = attribute("Command", "Window"); !window.empty()) {
    point.Window = std::move(window);
  }
  ReadFlag(attribute("Attributes", "Hidden"), point.Hidden);
  ReadFlag(attribute("Attributes", "System"), point.System);
  ReadFlag(attribute("Attributes", "Archive"), point.Archive);
  ReadFlag(attribute("Attributes", "Compressed"), point.Compressed);
  ReadFlag(attribute("Attributes", "Readonly"), point.Readonly);
  ReadFlag(attribute("Attributes", "Exclusive"), point.Exclusive);
  if (const std::string lastChange = node("LastChange"); !lastChange.empty()) {
    point.LastChange = ToInt32(lastChange);
    point.Period = attribute("LastChange", "Period");
    if (point.Period.empty()) point.Period = "sec";
  }
  return point;
}

}  // namespace corvane
