#pragma once

// The file whose lock makes sure one observation file has one daemon.

#include <string>

#include "platform/result.h"
#include "platform/unique_fd.h"

namespace corvane::platform {

// Takes an exclusive flock on the file `name` in $XDG_RUNTIME_DIR (else the
// temp directory), creating it when missing, and gives the descriptor that
// holds it. Fails when another process holds it, or the file cannot be
// opened. The kernel frees it when the process dies.
Result<UniqueFd> LockInstanceFile(const std::string& name);
// Releases the lock and closes its descriptor; the file stays.
void UnlockInstanceFile(UniqueFd lock);
// Where LockInstanceFile puts `name`.
std::string InstanceLockPath(const std::string& name);

}  // namespace corvane::platform
