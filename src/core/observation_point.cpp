#include "core/observation_point.h"

namespace corvane {

ObservationPoint ObservationPoint::Blank() {
  ObservationPoint blank;
  blank.filePattern.clear();
  blank.ageUnit.clear();
  blank.windowStyle.clear();
  blank.wait = 0;
  blank.archive = false;
  blank.compressed = false;
  blank.exclusive = false;
  return blank;
}

bool ObservationPoint::IsBlank() const {
  return command.empty() && interval == 0 && directory.empty();
}

}  // namespace corvane
