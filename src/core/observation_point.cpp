#include "core/observation_point.h"

namespace corvane {

ObservationPoint ObservationPoint::Blank() {
  ObservationPoint blank;
  blank.FilePattern.clear();
  blank.Period.clear();
  blank.Window.clear();
  blank.Wait = 0;
  blank.Archive = false;
  blank.Compressed = false;
  blank.Exclusive = false;
  return blank;
}

bool ObservationPoint::IsBlank() const {
  return Command.empty() && Intervall == 0 && Directory.empty();
}

}  // namespace corvane
