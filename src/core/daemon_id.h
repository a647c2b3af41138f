#pragma once

// The name a daemon goes by in a hot folder it shares with others: its
// claim folder and its heartbeat file are called so.

#include <string>

#include "platform/result.h"

namespace corvane {

// The longest daemon id, in bytes: well below a file name's 255, so that
// names built from it fit.
inline constexpr std::size_t kMaxDaemonIdBytes = 120;

// The id of the daemon of `observationFile` on host `hostName`: the host
// name, "_" and the observation file's lock name, every byte outside
// [A-Za-z0-9._-] as "_", and no leading ".". An id too long keeps its start
// and ends in a hash of the whole, so that two daemons keep different ids.
std::string DaemonId(const std::string& hostName, const std::string& observationFile);

// `text` when it is fit to be an id as it stands (1 to kMaxDaemonIdBytes
// bytes of [A-Za-z0-9._-], not starting with "."); otherwise why not.
platform::Result<std::string> CheckedDaemonId(const std::string& text);

}  // namespace corvane
