#include "core/path_verdict.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "core/shared_folder.h"
#include "platform/files.h"

namespace corvane {
namespace {

constexpr std::size_t kMostHoldersShown = 8;

// Spelled without "." and "..", and without a trailing "/" (but "/").
std::string LexicalPath(const std::string& path) {
  std::filesystem::path full(path);
  if (full.is_relative()) {
    std::error_code error;
    full = std::filesystem::current_path(error) / full;
  }
  std::string normal = full.lexically_normal().string();
  while (normal.size() > 1 && normal.ends_with('/')) normal.pop_back();
  return normal;
}

// What `path` holds below the point's folder ("a/b.txt"), by the folder's
// configured spelling or its real path; nothing when it lies outside, or is
// the folder itself.
std::optional<std::string> PartBelow(const ObservationPoint& point, const std::string& path) {
  std::vector<std::string> folders = {LexicalPath(point.directory) + "/"};
  if (const platform::Result<std::string> real = platform::ResolvedPath(point.directory)) {
    folders.push_back(LexicalPath(*real) + "/");
  }
  for (std::string& folder : folders) {
    if (folder == "//") folder = "/";
    if (path.size() > folder.size() && path.starts_with(folder)) return path.substr(folder.size());
  }
  return std::nullopt;
}

PathVerdict Judge(const ObservationPoint& point, std::size_t index, const std::string& below,
                  const Clock& clock) {
  PathVerdict verdict;
  verdict.pointIndex = index;
  verdict.path = point.directory + below;
  verdict.dir = point.directory;
  auto listing = std::make_unique<platform::DirectoryListing>(point.directory);
  if (!listing->Identity()) {
    verdict.place = PathPlace::DirectoryMissing;
    verdict.folder = point.directory;
    return verdict;
  }
  const std::string claims = kSharedFolderName;
  if (point.shared && (below == claims || below.starts_with(claims + "/"))) {
    verdict.place = PathPlace::SharedFolder;
    verdict.folder = point.directory + claims;
    return verdict;
  }
  const PointRules rules(point);
  std::size_t start = 0;
  for (std::size_t slash; (slash = below.find('/', start)) != std::string::npos;
       start = slash + 1) {
    const std::string folder = below.substr(start, slash - start);
    verdict.folder = verdict.dir + folder;
    if (point.noSubdirectories) {
      verdict.place = PathPlace::NoSubfolders;
      return verdict;
    }
    if (const platform::Result<platform::FileStatus> status = listing->Status(folder); !status) {
      verdict.place = PathPlace::CannotSee;
      verdict.reason = status.error().text;
      return verdict;
    }
    listing = std::make_unique<platform::DirectoryListing>(*listing, folder);
    if (!listing->Identity()) {
      verdict.place = PathPlace::NotEntered;
      return verdict;
    }
    if (rules.IsOutcomeFolder(*listing)) {
      verdict.place = PathPlace::OutcomeFolder;
      return verdict;
    }
    verdict.dir += folder + "/";
  }
  verdict.folder.clear();
  verdict.name = below.substr(start);
  const platform::Result<platform::FileStatus> status = listing->Status(verdict.name);
  if (!status) {
    verdict.place = PathPlace::CannotSee;
    verdict.reason = status.error().text;
    return verdict;
  }
  if (status->isDirectory && !point.noSubdirectories) {
    verdict.place = PathPlace::Folder;
    verdict.reason = std::strerror(EISDIR);
    return verdict;
  }
  platform::ForeignOpenFiles foreign;
  verdict.file = JudgeEntry(rules, *listing, verdict.dir, verdict.name, clock, foreign);
  if (verdict.file.exclusive == platform::Exclusive::No) {
    verdict.holders = platform::FileHolders(verdict.file.status.device, verdict.file.status.inode,
                                            kMostHoldersShown);
  }
  return verdict;
}

}  // namespace

std::vector<PathVerdict> JudgePath(const PointTable& points, const std::string& path,
                                   const Clock& clock) {
  std::vector<PathVerdict> verdicts;
  const std::string full = LexicalPath(path);
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].IsBlank()) continue;
    if (const std::optional<std::string> below = PartBelow(points[i], full)) {
      verdicts.push_back(Judge(points[i], i, *below, clock));
    }
  }
  return verdicts;
}

}  // namespace corvane
