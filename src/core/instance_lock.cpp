#include "core/instance_lock.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <string_view>

#include "core/log.h"
#include "platform/files.h"
#include "platform/instance_lock_file.h"

namespace corvane {
namespace {

constexpr std::string_view kPrefix = "CorvaneApp_";
constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kHashDigits = 16;

// The first hex digits of the key's SHA-256, as `sha256sum` prints them, so
// that scripts can find the lock file too.
std::string HashText(const std::string& text) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())),
      QCryptographicHash::Sha256);
  return digest.toHex().left(kHashDigits).toStdString();
}

std::string WithoutSlashes(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c != '/') out += c;
  }
  return out;
}

}  // namespace

std::string InstanceLockKey(const std::string& observationFile) {
  platform::Result<std::string> resolved = platform::ResolvedPath(observationFile);
  return resolved ? *std::move(resolved) : observationFile;
}

std::string InstanceLockName(const std::string& key) {
  // The hash tells apart keys that differ only in their "/" ("/a/bc.xml",
  // "/ab/c.xml"); it also survives the shortening of a long name.
  const std::string hash = HashText(key);
  std::string name(kPrefix);
  name += WithoutSlashes(key);
  name.resize(std::min(name.size(), kMaxNameBytes - hash.size() - 1));
  name += '_';
  name += hash;
  return name;
}

InstanceLock::InstanceLock(Log& log) : log_(log) {}

InstanceLock::~InstanceLock() { ReleaseInstance(); }

bool InstanceLock::RegisterInstance(const std::string& observationFile) {
  ReleaseInstance();
  const std::string key = InstanceLockKey(observationFile);
  platform::Result<platform::UniqueFd> locked = platform::LockInstanceFile(InstanceLockName(key));
  if (!locked) return false;
  lock_ = *std::move(locked);
  log_.Message(txt::MutexRegistered, LogLevel::Debug, {WithoutSlashes(key)});
  return true;
}

void InstanceLock::ReleaseInstance() {
  if (lock_) platform::UnlockInstanceFile(std::move(lock_));
}

}  // namespace corvane
