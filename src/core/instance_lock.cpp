#include "core/instance_lock.h"

#include <cstdint>
#include <cstdio>

#include "core/log.h"
#include "core/platform/platform.h"

namespace corvane {
namespace {

constexpr std::string_view kPrefix = "CorvaneApp_";
constexpr std::size_t kMaxNameBytes = 255;

std::string HashText(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

std::string WithoutSlashes(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c != '/') out += c;
  }
  return out;
}

}  // namespace

std::string InstanceLockName(const std::string& key) {
  const std::string slashFree = WithoutSlashes(key);
  const std::string name = std::string(kPrefix) + slashFree;
  if (name.size() <= kMaxNameBytes) return name;
  // Hashed without its slashes too: keys that differ only there share a lock.
  const std::string hash = HashText(slashFree);
  std::string shortened(name, 0, kMaxNameBytes - hash.size() - 1);
  shortened += '_';
  shortened += hash;
  return shortened;
}

InstanceLock::InstanceLock(Log& log) : log_(log) {}

InstanceLock::~InstanceLock() { ReleaseInstance(); }

bool InstanceLock::RegisterInstance(const std::string& key) {
  ReleaseInstance();
  lMutexHandle_ = platform::LockInstanceFile(InstanceLockName(key));
  if (lMutexHandle_ < 0) return false;
  log_.Message(txt::MutexRegistered, LogLevel::Debug, {WithoutSlashes(key)});
  return true;
}

void InstanceLock::ReleaseInstance() {
  platform::UnlockInstanceFile(lMutexHandle_);
  lMutexHandle_ = -1;
}

}  // namespace corvane
