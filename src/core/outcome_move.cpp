#include "core/outcome_move.h"

#include <cerrno>

#include "core/log.h"
#include "core/observation_point.h"

namespace corvane {
namespace {

using platform::Error;
using platform::FileIdentity;
using platform::Result;

// Enough for any folder a person keeps; beyond it the file stays.
constexpr int kMaxNumber = 999;

// The name with " (number)" before its extension: "a.pdf" → "a (2).pdf".
// A name whose only dot leads it (".profile") or that has none gets it at
// the end. Number 1 is the name itself.
std::string NumberedName(const std::string& name, int number) {
  if (number == 1) return name;
  const std::string suffix = " (" + std::to_string(number) + ")";
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Renames `from` to the first free numbered form of `name` in `folder`:
// the new path, or why not. A failure other than a taken name ends it.
Result<std::string> RenameToFreeName(const RenameFunction& rename, const std::string& from,
                                     const std::string& folder, const std::string& name) {
  for (int number = 1; number <= kMaxNumber; ++number) {
    const std::string to = folder + NumberedName(name, number);
    const Result<void> renamed = rename(from, to);
    if (renamed) return to;
    if (renamed.error().code != EEXIST) return platform::Failure<Error>{renamed.error()};
  }
  return platform::Failed("no free name up to \"" + NumberedName(name, kMaxNumber) + "\"");
}

// Across file systems: a copy made and checked in the folder takes a free
// name there, and only then does the original go. Whatever fails on the way
// leaves the original as it was and no copy behind.
Result<std::string> CopyAcross(const std::string& path, const FileIdentity& handedOver,
                               const std::string& folder, const std::string& name,
                               const std::function<bool()>& stopRequested) {
  const Result<std::string> copy =
      platform::CopyIntoFolder(path, handedOver, folder, stopRequested);
  if (!copy) return platform::Failure<Error>{copy.error()};
  const Result<std::string> placed =
      RenameToFreeName(platform::RenameWithoutReplacing, *copy, folder, name);
  if (!placed) {
    (void)platform::RemoveEntry(*copy);
    return placed;
  }
  if (const Result<void> removed = platform::RemoveEntry(path); !removed) {
    (void)platform::RemoveEntry(*placed);
    return platform::Failure<Error>{removed.error()};
  }
  return placed;
}

}  // namespace

std::optional<FileIdentity> IdentityBeforeCommand(
    const ObservationPoint& point, const std::optional<platform::EntryIdentity>& entry) {
  if (point.wait < 0 || (point.successFolder.empty() && point.failureFolder.empty())) return {};
  if (!entry || !entry->isRegular) return {};
  return entry->id;
}

std::string MoveAfterCommand(Log& log, const ObservationPoint& point, const std::string& path,
                             const std::optional<FileIdentity>& handedOver, CommandVerdict verdict,
                             const std::function<bool()>& stopRequested,
                             const std::string& arrivedAs) {
  const std::string& shown = arrivedAs.empty() ? path : arrivedAs;
  const std::string& folder =
      verdict == CommandVerdict::Succeeded ? point.successFolder : point.failureFolder;
  if (folder.empty() || point.wait < 0) return {};
  if (verdict == CommandVerdict::MayStillUseFile || stopRequested()) {
    log.Message(txt::FileStays, LogLevel::Debug, {shown});
    return {};
  }
  if (!handedOver) {
    log.Message(txt::FileGoneBeforeMove, LogLevel::Info, {shown});
    return {};
  }
  return MoveIntoFolder(log, path, *handedOver, folder, stopRequested,
                        platform::RenameWithoutReplacing, arrivedAs);
}

std::string MoveIntoFolder(Log& log, const std::string& path, const FileIdentity& handedOver,
                           const std::string& folder, const std::function<bool()>& stopRequested,
                           const RenameFunction& rename, const std::string& arrivedAs) {
  const std::string& shown = arrivedAs.empty() ? path : arrivedAs;
  const std::string target = BaseName(shown);
  const Result<platform::EntryIdentity> now = platform::IdentityOfEntry(path);
  if (!now && now.error().code == ENOENT) {
    log.Message(txt::FileGoneBeforeMove, LogLevel::Info, {shown});
    return {};
  }
  if (!now) {
    log.Message(txt::FileNotMoved, LogLevel::Error, {shown, folder, now.error().text});
    return {};
  }
  // Whoever writes into the hot folder may have put something else there
  // meanwhile, a link to a file elsewhere, say: that is not the daemon's to move.
  if (now->id != handedOver || !now->isRegular) {
    log.Message(txt::FileReplacedBeforeMove, LogLevel::Warning, {shown});
    return {};
  }
  Result<std::string> moved = [&]() -> Result<std::string> {
    if (const Result<void> made = platform::MakeDirectories(folder); !made) {
      return platform::Failure<Error>{made.error()};
    }
    Result<std::string> renamed = RenameToFreeName(rename, path, folder, target);
    if (!renamed && renamed.error().code == EXDEV) {
      return CopyAcross(path, handedOver, folder, target, stopRequested);
    }
    return renamed;
  }();
  if (!moved) {
    log.Message(txt::FileNotMoved, LogLevel::Error, {shown, folder, moved.error().text});
    return {};
  }
  log.Message(txt::FileMoved, LogLevel::Info, {shown, *moved});
  return *moved;
}

}  // namespace corvane
