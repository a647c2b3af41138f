#include "core/file_stability.h"

namespace corvane {

bool StabilityRecord::Unchanged(const std::string& path, const FileState& state) {
  auto [it, inserted] = sightings_.try_emplace(path, Sighting{state, true});
  if (inserted) return false;
  const bool same = it->second.state == state;
  it->second = Sighting{state, true};
  return same;
}

bool StabilityRecord::SeenAs(const std::string& path, const FileState& state) const {
  const auto it = sightings_.find(path);
  return it != sightings_.end() && it->second.state == state;
}

void StabilityRecord::EndCheck() {
  std::erase_if(sightings_, [](const auto& entry) { return !entry.second.seenThisCheck; });
  for (auto& [path, sighting] : sightings_) sighting.seenThisCheck = false;
}

}  // namespace corvane
