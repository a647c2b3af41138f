#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/hosts/message_box.h"

namespace corvane::testing {

// Keeps every message box it is asked to show.
class RecordingMessageBoxes : public MessageBoxHost {
 public:
  struct Shown {
    std::string title;
    std::string text;
    MessageIcon icon;
  };
  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
    shown.push_back({title, text, icon});
  }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  std::vector<Shown> shown;
};

// A fresh directory per test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-xml-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` unchanged into a new file and answers its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The observation-file shape most tests use.
inline const char* const kObservationXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Corvane>\n"
    "  <Name>Inbox</Name>\n"
    "  <Observation>\n"
    "    <Point Active=\"1\" Mode=\"copy\"><Name>first</Name><Interval>5</Interval></Point>\n"
    "    <Point Active=\"0\"><Name>second</Name><Empty/></Point>\n"
    "    <Point><Name>third</Name></Point>\n"
    "  </Observation>\n"
    "</Corvane>\n";

}  // namespace corvane::testing
