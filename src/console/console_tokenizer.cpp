#include "console/console_tokenizer.h"

namespace corvane {

std::vector<std::string> TokenizeCommand(std::string_view line) {
  std::vector<std::string> tokens;
  std::string current;
  bool quoted = false;
  bool separatorArmed = false;
  for (const char c : line) {
    if (c == ' ' && separatorArmed && !quoted) {
      tokens.push_back(std::move(current));
      current.clear();
      separatorArmed = false;
      continue;
    }
    separatorArmed = true;
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    current += c;
  }
  tokens.push_back(std::move(current));
  return tokens;
}

}  // namespace corvane
