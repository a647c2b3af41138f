#include "core/daemon_id.h"

#include <QByteArray>
#include <QCryptographicHash>

#include "core/instance_lock.h"

namespace corvane {
namespace {

constexpr std::size_t kHashDigits = 16;

bool IsIdByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-';
}

std::string HashText(const std::string& text) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())),
      QCryptographicHash::Sha256);
  return digest.toHex().left(kHashDigits).toStdString();
}

}  // namespace

std::string DaemonId(const std::string& hostName, const std::string& observationFile) {
  const std::string whole = hostName + "_" + InstanceLockName(InstanceLockKey(observationFile));
  std::string id;
  for (char c : whole) id += IsIdByte(c) ? c : '_';
  if (id.starts_with('.')) id[0] = '_';
  if (id.size() > kMaxDaemonIdBytes) {
    id.resize(kMaxDaemonIdBytes - kHashDigits - 1);
    id += '_';
    id += HashText(whole);
  }
  return id;
}

platform::Result<std::string> CheckedDaemonId(const std::string& text) {
  if (text.empty() || text.size() > kMaxDaemonIdBytes) {
    return platform::Failed("a daemon id has 1 to " + std::to_string(kMaxDaemonIdBytes) + " bytes");
  }
  for (char c : text) {
    if (!IsIdByte(c)) return platform::Failed("a daemon id has only A-Z, a-z, 0-9, '.', '_', '-'");
  }
  if (text.starts_with('.')) return platform::Failed("a daemon id does not start with '.'");
  return text;
}

}  // namespace corvane
