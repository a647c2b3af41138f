#include "core/shared_folder.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <set>
#include <string_view>
#include <utility>

#include "core/daemon_id.h"

namespace corvane {
namespace {

using platform::EntryKind;
using platform::Failed;
using platform::Failure;
using platform::MoveOutcome;
using platform::Result;
using platform::UniqueFd;

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxPathBytes = 4096;
constexpr std::size_t kMaxDepth = 64;
constexpr std::size_t kMaxEntries = 100000;
constexpr std::size_t kMaxDaemons = 10000;
constexpr int kMaxSuffix = 1000;
constexpr std::size_t kMaxExtensionBytes = 40;

// A claimed name is the relative path with every byte but these as "%XX",
// so that it is one file name of plain ASCII whatever the path holds. When
// that is too long, the name is "%L", a hash of the path and the extension,
// and a side file "%P" plus the hash holds the path. '%' never starts
// anything else in a claim folder.
constexpr std::string_view kKeptBytes =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 !#$&'()+,-.;=@[]^_`{}~";
constexpr std::string_view kLongPrefix = "%L";
constexpr std::string_view kSidePrefix = "%P";
constexpr std::size_t kHashDigits = 32;

std::string Escaped(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    if (kKeptBytes.find(c) != std::string_view::npos) {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Unescaped(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '%') {
      out += name[i];
      continue;
    }
    if (i + 2 >= name.size()) return std::nullopt;
    const int high = HexValue(name[i + 1]);
    const int low = HexValue(name[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string HashText(std::string_view text) {
  const QByteArray digest = QCryptographicHash::hash(
      QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())),
      QCryptographicHash::Sha256);
  return digest.toHex().left(kHashDigits).toStdString();
}

std::string_view LastComponent(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Where ".ext" starts in `name`; its end when it has none. A leading dot
// starts no extension.
std::size_t ExtensionStart(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name.size() : dot;
}

// The sub-folders and the name of a relative path, when it stays below the
// hot folder and outside the claim machinery.
std::optional<std::vector<std::string>> Components(std::string_view path) {
  if (path.empty() || path.size() > kMaxPathBytes) return std::nullopt;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    const std::string part(path.substr(start, slash - start));
    if (part.empty() || part == "." || part == ".." || part.size() > kMaxNameBytes ||
        part.find('\0') != std::string::npos || parts.size() == kMaxDepth) {
      return std::nullopt;
    }
    parts.push_back(part);
    start = slash + 1;
  }
  if (parts.front() == kSharedFolderName) return std::nullopt;
  return parts;
}

// The folder that holds the last component; the sub-folders are made when
// missing and `create` is set.
Result<UniqueFd> OpenParent(int hot, const std::vector<std::string>& parts, bool create) {
  Result<UniqueFd> dir = platform::OpenSubdirectory(hot, ".", false, false);
  for (std::size_t i = 0; dir && i + 1 < parts.size(); ++i) {
    dir = platform::OpenSubdirectory(dir->get(), parts[i], create, false);
  }
  return dir;
}

// "name (n).ext" for "name.ext".
std::string WithSuffix(const std::string& name, int n) {
  const std::size_t ext = ExtensionStart(name);
  const std::string suffix = " (" + std::to_string(n) + ")" + name.substr(ext);
  // A name at the length limit gives up the end of its stem.
  const std::size_t stem = std::min(ext, kMaxNameBytes - std::min(kMaxNameBytes, suffix.size()));
  return name.substr(0, stem) + suffix;
}

bool IsSideFile(std::string_view name) { return name.starts_with(kSidePrefix); }

Result<std::vector<platform::SharedEntry>> RegularEntries(int dir) {
  Result<std::vector<platform::SharedEntry>> entries = platform::ListEntries(dir, kMaxEntries);
  if (entries) {
    std::erase_if(*entries, [](const platform::SharedEntry& entry) {
      return entry.kind != EntryKind::Regular || IsSideFile(entry.name);
    });
  }
  return entries;
}

}  // namespace

Result<SharedFolder> SharedFolder::Open(const std::string& dir, const std::string& daemonId,
                                        std::function<bool()> stopRequested) {
  Result<std::string> id = CheckedDaemonId(daemonId);
  if (!id) return Failure<platform::Error>{id.error()};
  Result<UniqueFd> hot = platform::OpenDirectory(dir);
  if (!hot) return Failure<platform::Error>{hot.error()};
  Result<UniqueFd> base = platform::OpenSubdirectory(hot->get(), kSharedFolderName, true, false);
  if (!base) return Failure<platform::Error>{base.error()};
  Result<UniqueFd> claims = platform::OpenSubdirectory(base->get(), "claims", true, false);
  if (!claims) return Failure<platform::Error>{claims.error()};
  Result<UniqueFd> heartbeats = platform::OpenSubdirectory(base->get(), "heartbeats", true, false);
  if (!heartbeats) return Failure<platform::Error>{heartbeats.error()};
  Result<UniqueFd> own = platform::OpenSubdirectory(claims->get(), daemonId, true, true);
  if (!own) return Failure<platform::Error>{own.error()};
  // Two daemons that went by one id would take each other's claims for
  // their own: the one whose heartbeat is locked already keeps the id.
  Result<UniqueFd> heartbeat = platform::OpenLockedFile(heartbeats->get(), daemonId);
  if (!heartbeat && (heartbeat.error().code == EAGAIN || heartbeat.error().code == EACCES)) {
    return Failed("another running daemon goes by the id " + daemonId +
                  " in this folder; give each daemon a Shared.DaemonId of its own");
  }
  if (!heartbeat) return Failure<platform::Error>{heartbeat.error()};
  std::string path = dir;
  while (path.size() > 1 && path.ends_with('/')) path.pop_back();
  path += std::string(path == "/" ? "" : "/") + kSharedFolderName + "/claims/" + daemonId;
  return SharedFolder(daemonId, std::move(path), *std::move(hot), *std::move(claims),
                      *std::move(heartbeats), *std::move(own), *std::move(heartbeat),
                      std::move(stopRequested));
}

SharedFolder::SharedFolder(std::string daemonId, std::string claimPath, UniqueFd hot,
                           UniqueFd claims, UniqueFd heartbeats, UniqueFd ownClaims,
                           UniqueFd heartbeat, std::function<bool()> stopRequested)
    : daemonId_(std::move(daemonId)),
      claimPath_(std::move(claimPath)),
      hot_(std::move(hot)),
      claims_(std::move(claims)),
      heartbeats_(std::move(heartbeats)),
      ownClaims_(std::move(ownClaims)),
      heartbeat_(std::move(heartbeat)),
      stopRequested_(std::move(stopRequested)) {}

Result<SharedFolder::ClaimResult> SharedFolder::Claim(const std::string& relativePath) {
  const std::optional<std::vector<std::string>> parts = Components(relativePath);
  if (!parts) return Failed("not a path below the hot folder");
  std::string name = Escaped(relativePath);
  std::string sideName;
  if (name.size() > kMaxNameBytes) {
    const std::string hash = HashText(relativePath);
    const std::string_view last = LastComponent(relativePath);
    std::string ext = Escaped(last.substr(ExtensionStart(last)));
    if (ext.size() > kMaxExtensionBytes) ext.clear();
    name = std::string(kLongPrefix) + hash + ext;
    sideName = std::string(kSidePrefix) + hash;
    Result<void> written = platform::WriteNewFile(ownClaims_.get(), sideName, relativePath);
    if (!written && written.error().code == EEXIST) {
      return ClaimResult{ClaimOutcome::AlreadyHeld, {}};
    }
    if (!written) return Failure<platform::Error>{written.error()};
  }
  const auto forgetSide = [&] {
    if (!sideName.empty()) (void)platform::RemoveFile(ownClaims_.get(), sideName);
  };
  Result<UniqueFd> parent = OpenParent(hot_.get(), *parts, false);
  if (!parent) {
    forgetSide();
    if (parent.error().code == ENOENT) return ClaimResult{ClaimOutcome::TakenByOther, {}};
    return Failure<platform::Error>{parent.error()};
  }
  Result<MoveOutcome> moved =
      platform::MoveIntoOwnFolder(parent->get(), parts->back(), ownClaims_.get(), name);
  if (!moved) {
    forgetSide();
    if (moved.error().code == EBUSY) return ClaimResult{ClaimOutcome::InUse, {}};
    return Failure<platform::Error>{moved.error()};
  }
  switch (*moved) {
    case MoveOutcome::Moved: return ClaimResult{ClaimOutcome::Claimed, claimPath_ + "/" + name};
    case MoveOutcome::SourceGone: forgetSide(); return ClaimResult{ClaimOutcome::TakenByOther, {}};
    case MoveOutcome::TargetTaken:
      // A long name whose side file was lost: the side file just written
      // names the same path, so it is kept for the file already there.
      break;
  }
  return ClaimResult{ClaimOutcome::AlreadyHeld, {}};
}

std::optional<std::string> SharedFolder::OriginOf(int claimDir, const std::string& name) const {
  if (!name.starts_with(kLongPrefix)) return Unescaped(name);
  const std::string hash = name.substr(kLongPrefix.size(), kHashDigits);
  Result<std::string> path =
      platform::ReadSmallFile(claimDir, std::string(kSidePrefix) + hash, kMaxPathBytes);
  if (path && HashText(*path) == hash) return *std::move(path);
  // The side file is lost: the file goes to the top of the hot folder under
  // its claimed name without the prefix.
  return name.size() > kLongPrefix.size() ? std::optional(name.substr(kLongPrefix.size()))
                                          : std::nullopt;
}

Result<std::optional<std::string>> SharedFolder::ReturnEntry(int claimDir,
                                                             const std::string& name) {
  const std::optional<std::string> origin = OriginOf(claimDir, name);
  const std::optional<std::vector<std::string>> parts = origin ? Components(*origin) : std::nullopt;
  if (!parts) return Failed("not a claimed name");
  Result<UniqueFd> parent = OpenParent(hot_.get(), *parts, true);
  if (!parent) return Failure<platform::Error>{parent.error()};
  const std::string prefix = origin->substr(0, origin->size() - parts->back().size());
  for (int n = 1; n <= kMaxSuffix; ++n) {
    const std::string target = n == 1 ? parts->back() : WithSuffix(parts->back(), n);
    Result<MoveOutcome> moved =
        platform::MoveWithoutReplacing(claimDir, name, parent->get(), target);
    if (!moved) return Failure<platform::Error>{moved.error()};
    if (*moved == MoveOutcome::TargetTaken) continue;
    if (name.starts_with(kLongPrefix)) {
      (void)platform::RemoveFile(
          claimDir, std::string(kSidePrefix) + name.substr(kLongPrefix.size(), kHashDigits));
    }
    if (*moved == MoveOutcome::SourceGone) return std::optional<std::string>();
    return std::optional(prefix + target);
  }
  return Failed("every free name is taken");
}

std::string SharedFolder::OwnClaimName(const std::string& claimedPath) const {
  const std::string folder = claimPath_ + "/";
  const std::string name = claimedPath.starts_with(folder) ? claimedPath.substr(folder.size()) : "";
  return name.find('/') == std::string::npos ? name : "";
}

Result<std::string> SharedFolder::Return(const std::string& claimedPath) {
  const std::string name = OwnClaimName(claimedPath);
  if (name.empty()) return Failed("not in this daemon's claim folder");
  Result<std::optional<std::string>> returned = ReturnEntry(ownClaims_.get(), name);
  if (!returned) return Failure<platform::Error>{returned.error()};
  if (!*returned) return platform::SystemFailure(ENOENT);
  return **std::move(returned);
}

platform::Exclusive SharedFolder::TestExclusive(const std::string& claimedPath,
                                                platform::ForeignOpenFiles& foreign) const {
  const std::string name = OwnClaimName(claimedPath);
  if (name.empty()) return platform::Exclusive::No;
  const platform::DirectoryListing claims(ownClaims_);
  if (claims.OutOfDescriptors()) return platform::Exclusive::OutOfDescriptors;
  const Result<platform::FileStatus> status = claims.Status(name);
  if (!status) return platform::Exclusive::No;
  return claims.TestExclusive(name, *status, foreign);
}

Result<std::size_t> SharedFolder::ReturnAllOwn(
    const std::function<bool(const std::string&)>& keep) {
  Result<std::vector<platform::SharedEntry>> entries = RegularEntries(ownClaims_.get());
  if (!entries) return Failure<platform::Error>{entries.error()};
  std::size_t count = 0;
  for (const platform::SharedEntry& entry : *entries) {
    if (Stopping()) return count;
    if (keep && keep(claimPath_ + "/" + entry.name)) continue;
    Result<std::optional<std::string>> returned = ReturnEntry(ownClaims_.get(), entry.name);
    if (returned && *returned) ++count;
  }
  // A side file whose claimed file is gone (the daemon died between the two
  // steps of a claim) would keep its path from being claimed ever again.
  Result<std::vector<platform::SharedEntry>> left =
      platform::ListEntries(ownClaims_.get(), kMaxEntries);
  if (!left) return count;
  std::set<std::string> longHashes;
  for (const platform::SharedEntry& entry : *left) {
    if (entry.name.starts_with(kLongPrefix)) {
      longHashes.insert(entry.name.substr(kLongPrefix.size(), kHashDigits));
    }
  }
  for (const platform::SharedEntry& entry : *left) {
    if (entry.kind == EntryKind::Regular && IsSideFile(entry.name) &&
        !longHashes.contains(entry.name.substr(kSidePrefix.size()))) {
      (void)platform::RemoveFile(ownClaims_.get(), entry.name);
    }
  }
  return count;
}

Result<platform::FileTime> SharedFolder::Beat() {
  Result<platform::FileTime> now = platform::TouchOpenFile(heartbeat_.get());
  if (now) serverNow_ = *now;
  return now;
}

Result<std::optional<platform::FileTime>> SharedFolder::HeartbeatOf(const std::string& id) const {
  return platform::ModificationTime(heartbeats_.get(), id);
}

Result<std::vector<SharedFolder::StaleReturn>> SharedFolder::ReturnStale(
    std::chrono::nanoseconds limit) {
  if (!serverNow_) return Failed("no heartbeat yet");
  Result<std::vector<platform::SharedEntry>> daemons =
      platform::ListEntries(claims_.get(), kMaxDaemons);
  if (!daemons) return Failure<platform::Error>{daemons.error()};
  std::vector<StaleReturn> reports;
  for (const platform::SharedEntry& daemon : *daemons) {
    if (Stopping()) break;
    if (daemon.kind != EntryKind::Directory || daemon.name == daemonId_ ||
        !CheckedDaemonId(daemon.name)) {
      continue;
    }
    Result<std::optional<platform::FileTime>> beat = HeartbeatOf(daemon.name);
    if (!beat) continue;
    if (*beat && *serverNow_ - **beat <= limit) continue;
    Result<UniqueFd> folder = platform::OpenSubdirectory(claims_.get(), daemon.name, false, false);
    if (!folder) continue;
    Result<std::vector<platform::SharedEntry>> files = RegularEntries(folder->get());
    if (!files) continue;
    StaleReturn report{daemon.name, 0, 0};
    for (const platform::SharedEntry& file : *files) {
      if (Stopping()) break;
      // A name that no claim makes is left alone.
      const std::optional<std::string> origin = OriginOf(folder->get(), file.name);
      if (!origin || !Components(*origin)) continue;
      // Taken over into this daemon's own folder first, by one plain rename
      // that only one finder wins, so that the return from there cannot race
      // even where the server has no no-replace rename.
      Result<MoveOutcome> taken =
          platform::MoveIntoOwnFolder(folder->get(), file.name, ownClaims_.get(), file.name);
      if (taken && *taken == MoveOutcome::SourceGone) continue;
      if (!taken || *taken == MoveOutcome::TargetTaken) {
        ++report.leftBehind;
        continue;
      }
      if (file.name.starts_with(kLongPrefix)) {
        const std::string side =
            std::string(kSidePrefix) + file.name.substr(kLongPrefix.size(), kHashDigits);
        (void)platform::MoveIntoOwnFolder(folder->get(), side, ownClaims_.get(), side);
      }
      Result<std::optional<std::string>> returned = ReturnEntry(ownClaims_.get(), file.name);
      if (returned && *returned) {
        ++report.returned;
      } else {
        ++report.leftBehind;
      }
    }
    if (report.returned + report.leftBehind > 0) reports.push_back(std::move(report));
  }
  return reports;
}

Result<std::vector<std::string>> SharedFolder::AliveDaemons(std::chrono::nanoseconds limit) const {
  if (!serverNow_) return Failed("no heartbeat yet");
  Result<std::vector<platform::SharedEntry>> beats = RegularEntries(heartbeats_.get());
  if (!beats) return Failure<platform::Error>{beats.error()};
  std::vector<std::string> alive;
  for (const platform::SharedEntry& beat : *beats) {
    if (!CheckedDaemonId(beat.name)) continue;
    Result<std::optional<platform::FileTime>> time = HeartbeatOf(beat.name);
    if (time && *time && *serverNow_ - **time <= limit) alive.push_back(beat.name);
  }
  std::sort(alive.begin(), alive.end());
  return alive;
}

Result<std::vector<std::string>> SharedFolder::HeldFiles() const {
  Result<std::vector<platform::SharedEntry>> entries = RegularEntries(ownClaims_.get());
  if (!entries) return Failure<platform::Error>{entries.error()};
  std::vector<std::string> held;
  for (const platform::SharedEntry& entry : *entries) {
    if (std::optional<std::string> origin = OriginOf(ownClaims_.get(), entry.name)) {
      held.push_back(*std::move(origin));
    }
  }
  std::sort(held.begin(), held.end());
  return held;
}

}  // namespace corvane
