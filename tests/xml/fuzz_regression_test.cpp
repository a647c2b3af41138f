// Replays the fuzzer's seeds and the kept hostile inputs (any input that ever
// makes the fuzzer fail belongs there too) through the fuzzer's own entry
// point; the sanitizers of this build catch a relapse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "xml_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace corvane {
namespace {

std::vector<std::filesystem::path> FilesIn(const char* folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(GoXmlFuzzRegressions, EveryKeptInputRunsClean) {
  for (const char* folder : {CORVANE_FUZZ_REGRESSIONS, CORVANE_FUZZ_SEEDS}) {
    const auto files = FilesIn(folder);
    ASSERT_FALSE(files.empty()) << folder;
    for (const auto& file : files) {
      const std::string bytes = testing::ReadBytes(file.string());
      SCOPED_TRACE(file.filename().string());
      EXPECT_EQ(
          LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
          0);
    }
  }
}

}  // namespace
}  // namespace corvane
