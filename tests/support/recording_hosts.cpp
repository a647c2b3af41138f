#include "support/recording_hosts.h"

namespace corvane::test {

std::vector<std::string> RecordingLogView::Texts() const {
  std::vector<std::string> texts;
  for (const Item& item : items) texts.push_back(item.text);
  return texts;
}

}  // namespace corvane::test
