#include "core/settings.h"

namespace corvane {

Settings LoadSettings() { return Settings{}; }

}  // namespace corvane
