#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/files.h"

namespace corvane {

class Log;
struct ObservationPoint;

// How a waited command ended, as far as its file is concerned: it went well
// (exit code 0), it did not (any other code, a signal, killed after the
// wait, or it could not start), or the command may still use the file (left
// running after the wait, or the daemon stops).
enum class CommandVerdict { Succeeded, Failed, MayStillUseFile };

// The file as it was handed over (`entry`, the entry at its path then), so
// that only that file is moved once its command has ended; none when the
// point moves nothing.
std::optional<platform::FileIdentity> IdentityBeforeCommand(
    const ObservationPoint& point, const std::optional<platform::EntryIdentity>& entry);

// Moves the file at `path`, handed over as `handedOver`, into the point's
// folder for the verdict, and gives where it went; empty when it stays. It
// stays when the point names no folder for the verdict, when the command may
// still use it, and when it is no longer the file handed over. `arrivedAs`
// is the path the file arrived at when it has been moved since (a shared
// point's claim): the log lines tell that path, and the folder gets its
// name. Empty: `path`.
std::string MoveAfterCommand(Log& log, const ObservationPoint& point, const std::string& path,
                             const std::optional<platform::FileIdentity>& handedOver,
                             CommandVerdict verdict, const std::function<bool()>& stopRequested,
                             const std::string& arrivedAs = {});

using RenameFunction =
    std::function<platform::Result<void>(const std::string& from, const std::string& to)>;

// Moves the file at `path` into `folder` (made when missing) under its own
// name, or, when that is taken, the first free numbered one ("a.pdf" becomes
// "a (2).pdf", then "a (3).pdf" ...); nothing is ever replaced. Across file
// systems the file is copied, flushed and checked before the original goes.
// Gives the new path, or empty when the file stays; every outcome is logged.
// `rename` renames the file itself (tests force the copy with it).
// `arrivedAs` as for MoveAfterCommand.
std::string MoveIntoFolder(Log& log, const std::string& path,
                           const platform::FileIdentity& handedOver, const std::string& folder,
                           const std::function<bool()>& stopRequested,
                           const RenameFunction& rename = platform::RenameWithoutReplacing,
                           const std::string& arrivedAs = {});

}  // namespace corvane
