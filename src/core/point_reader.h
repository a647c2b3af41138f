#pragma once

#include "core/observation_point.h"

namespace corvane {

class XmlDocument;

// Reads the point at a 0-based position of the observation file, starting
// from the defaults. Throws the type-mismatch or overflow error when a
// number or flag cannot be converted.
ObservationPoint ReadPoint(const XmlDocument& document, int position);

}  // namespace corvane
