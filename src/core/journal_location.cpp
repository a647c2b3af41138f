#include "core/journal_location.h"

#include <QDir>
#include <QString>

#include "core/instance_lock.h"

namespace corvane {

std::string DefaultJournalFile(const std::string& observationFile) {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (!QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state.toStdString() + "/corvane/" + InstanceLockName(InstanceLockKey(observationFile)) +
         ".sqlite";
}

}  // namespace corvane
