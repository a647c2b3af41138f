#pragma once

#include <string>

#include "core/observation_point.h"

namespace corvane {

class XmlDocument;
class Log;
struct DaemonState;

// Fills the point table from an observation file:
//
//   <Corvane>
//     <Name>daemon name</Name>
//     <Observation>
//       <Point> Name Directory FilePattern Intervall Command NoSubdirs
//               Attributes LastChange </Point> ...
//
// Loading only ever adds points; ClearPoints empties the table. The table
// must not be rebuilt while a check walks it.
class PointLoader {
 public:
  PointLoader(DaemonState& state, Log& log);

  // Adds the file's points behind the existing ones. False when the file
  // cannot be read, yields no point, or a value cannot be converted (the
  // load stops there; points added before stay).
  bool LoadFile(const std::string& file);
  // Completes the point's defaults and appends it; false (nothing logged)
  // for a point without command, positive interval or directory.
  bool AddPoint(ObservationPoint& point);
  // The table becomes one blank entry, which the next added point replaces.
  void ClearPoints();
  // ClearPoints, then loads the current observation file again. A point
  // with the same directory and command as one before keeps its running
  // commands' files.
  void ReloadPoints();

 private:
  void ReadPoints(const XmlDocument& document, int& added, int& failed);
  void AppendPoint(const ObservationPoint& point);

  DaemonState& state_;
  Log& log_;
};

}  // namespace corvane
