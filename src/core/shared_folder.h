#pragma once

// A hot folder that several daemons, on one machine or many, share: each
// file is handled by the one daemon that manages to rename it into a claim
// folder of its own. The file server is the referee, since a rename within
// one file system is atomic on local file systems and on NFS and SMB alike.
//
// Inside the hot folder `dir`:
//   .corvane/claims/<daemon id>/  the files a daemon holds, each under a
//                                 name that records where it came from
//   .corvane/heartbeats/<daemon id>  touched at every check; its age, on the
//                                 server's clock, tells whether the daemon
//                                 is alive
// ".corvane", "claims" and "heartbeats" may belong to any user (daemons of
// several users may share a folder) but must be real directories; a daemon's
// own claim folder must be its own. No link in there is ever followed, and
// special files are left alone.

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/directory_listing.h"
#include "platform/result.h"
#include "platform/shared_files.h"
#include "platform/unique_fd.h"

namespace corvane {

// The name of the folder, inside a shared hot folder, that the daemons keep
// their claims and heartbeats in; a scan never lists it.
inline constexpr const char* kSharedFolderName = ".corvane";

class SharedFolder {
 public:
  enum class ClaimOutcome {
    Claimed,       // this daemon holds the file now
    TakenByOther,  // the file was gone: another daemon won it
    AlreadyHeld,   // this daemon still holds a file of that name; try later
    InUse,         // the file server refused: on an SMB share, a client has it open
  };
  struct ClaimResult {
    ClaimOutcome outcome = ClaimOutcome::TakenByOther;
    std::string claimedPath;  // only when Claimed
  };
  struct StaleReturn {
    std::string daemonId;
    std::size_t returned = 0;
    std::size_t leftBehind = 0;  // files whose return failed
  };

  // Opens the claim machinery in the hot folder `dir` for `daemonId` (see
  // CheckedDaemonId), making what is missing. Fails while another process
  // goes by the same id there; the daemon's points of one folder may share
  // it. The walks over many files ask `stopRequested` (when given) between
  // files and end early when it says so.
  static platform::Result<SharedFolder> Open(const std::string& dir, const std::string& daemonId,
                                             std::function<bool()> stopRequested = {});

  const std::string& daemonId() const { return daemonId_; }
  const std::string& claimFolder() const { return claimPath_; }

  // Renames the file at `relativePath` (below the hot folder, sub-folders
  // included) into this daemon's claim folder.
  platform::Result<ClaimResult> Claim(const std::string& relativePath);

  // Puts a file that Claim gave back where it came from, making a missing
  // sub-folder. A name taken there in the meantime is never overwritten: the
  // file gets " (2)", " (3)" … before its extension. Gives the relative path
  // it now has.
  platform::Result<std::string> Return(const std::string& claimedPath);

  // The exclusive test (DirectoryListing::TestExclusive) of a file that
  // Claim gave, made in this daemon's claim folder, where no other daemon
  // opens anything.
  platform::Exclusive TestExclusive(const std::string& claimedPath,
                                    platform::ForeignOpenFiles& foreign) const;

  // Returns every file this daemon holds but those `keep` (given the
  // claimed path) names: all of them is what a daemon does first when it
  // starts again after it died. Gives how many; a file that cannot go back
  // stays where it is.
  platform::Result<std::size_t> ReturnAllOwn(
      const std::function<bool(const std::string&)>& keep = {});

  // Touches this daemon's heartbeat and takes its new modification time as
  // the file server's "now", which the ages below are measured against.
  platform::Result<platform::FileTime> Beat();

  // For every other daemon whose heartbeat is older than `limit` (or gone),
  // returns the files it holds to the hot folder; tells of those that held
  // any. Another daemon doing the same at the same time loses each file it
  // did not win, so none is lost or doubled. Needs a Beat first.
  platform::Result<std::vector<StaleReturn>> ReturnStale(std::chrono::nanoseconds limit);

  // The daemons, this one included, whose heartbeat is at most `limit` old.
  // Needs a Beat first.
  platform::Result<std::vector<std::string>> AliveDaemons(std::chrono::nanoseconds limit) const;

  // The relative paths, as they were in the hot folder, of the files this
  // daemon holds.
  platform::Result<std::vector<std::string>> HeldFiles() const;

 private:
  SharedFolder(std::string daemonId, std::string claimPath, platform::UniqueFd hot,
               platform::UniqueFd claims, platform::UniqueFd heartbeats,
               platform::UniqueFd ownClaims, platform::UniqueFd heartbeat,
               std::function<bool()> stopRequested);
  bool Stopping() const { return stopRequested_ && stopRequested_(); }

  // The name in this daemon's claim folder of a path Claim gave; empty for
  // any other path.
  std::string OwnClaimName(const std::string& claimedPath) const;
  // nullopt when another daemon returned the file first.
  platform::Result<std::optional<std::string>> ReturnEntry(int claimDir, const std::string& name);
  std::optional<std::string> OriginOf(int claimDir, const std::string& name) const;
  platform::Result<std::optional<platform::FileTime>> HeartbeatOf(const std::string& id) const;

  std::string daemonId_;
  std::string claimPath_;
  platform::UniqueFd hot_;
  platform::UniqueFd claims_;
  platform::UniqueFd heartbeats_;
  platform::UniqueFd ownClaims_;
  platform::UniqueFd heartbeat_;  // this daemon's, locked while it lives
  std::function<bool()> stopRequested_;
  std::optional<platform::FileTime> serverNow_;
};

}  // namespace corvane
