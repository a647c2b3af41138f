#include "core/std_helpers.h"

#include <QCoreApplication>
#include <limits>
#include <stdexcept>

#include "core/platform/platform.h"

namespace corvane {

std::string& StrAppend(std::string& s, const std::string& sTail) { return s += sTail; }

std::int32_t Inc(std::int32_t& n) {
  if (n == std::numeric_limits<std::int32_t>::max()) throw std::overflow_error("Overflow");
  return ++n;
}

void PumpMessage(bool bFull) {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (bFull) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool PathExists(const std::string& sPath) { return platform::PathExists(sPath); }

}  // namespace corvane
