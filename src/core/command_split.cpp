#include "core/command_split.h"

#include <array>
#include <utility>

namespace corvane {
namespace {

using Placeholder = std::pair<std::string_view, const std::string PlaceholderValues::*>;

// None of the names is the start of another, so the first match is the match.
constexpr std::array<Placeholder, 5> kPlaceholders{{
    {"%File%", &PlaceholderValues::file},
    {"%FileName%", &PlaceholderValues::fileName},
    {"%Dir%", &PlaceholderValues::dir},
    {"%PointName%", &PlaceholderValues::pointName},
    {"%DaemonName%", &PlaceholderValues::daemonName},
}};

const Placeholder* MatchAt(std::string_view text) {
  for (const Placeholder& placeholder : kPlaceholders) {
    if (text.starts_with(placeholder.first)) return &placeholder;
  }
  return nullptr;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Inside "…" a backslash escapes only these; before anything else it stays.
bool EscapableInDoubleQuotes(char c) {
  return c == '\\' || c == '"' || c == '$' || c == '`' || c == '\n';
}

// Reads the shell words of one text. A word is started by any non-blank
// character, so "" and '' make empty words.
class Splitter {
 public:
  explicit Splitter(std::string_view text) : text_(text) {}

  std::optional<std::vector<std::string>> Run() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (IsBlank(c)) {
        EndWord();
      } else if (c == '\'') {
        if (!SingleQuoted()) return std::nullopt;
      } else if (c == '"') {
        if (!DoubleQuoted()) return std::nullopt;
      } else if (c == '\\') {
        Escaped();
      } else {
        Take(c);
      }
    }
    EndWord();
    return std::move(words_);
  }

 private:
  void Take(char c) {
    word_ += c;
    inWord_ = true;
  }
  void EndWord() {
    if (inWord_) words_.push_back(std::move(word_));
    word_.clear();
    inWord_ = false;
  }
  // A backslash at the very end has nothing to escape and stays itself.
  void Escaped() {
    if (pos_ == text_.size()) return Take('\\');
    const char next = text_[pos_++];
    if (next != '\n') Take(next);
  }
  bool SingleQuoted() {
    inWord_ = true;
    const auto end = text_.find('\'', pos_);
    if (end == std::string_view::npos) return false;
    word_.append(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }
  bool DoubleQuoted() {
    inWord_ = true;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (c == '\\' && pos_ < text_.size() && EscapableInDoubleQuotes(text_[pos_])) {
        const char next = text_[pos_++];
        if (next != '\n') word_ += next;
      } else {
        word_ += c;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::string word_;
  bool inWord_ = false;
  std::vector<std::string> words_;
};

}  // namespace

std::string FillPlaceholders(std::string_view text, const PlaceholderValues& values) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto mark = text.find('%', pos);
    out.append(text.substr(pos, mark - pos));
    if (mark == std::string_view::npos) break;
    if (const Placeholder* found = MatchAt(text.substr(mark))) {
      out += values.*found->second;
      pos = mark + found->first.size();
    } else {
      out += '%';
      pos = mark + 1;
    }
  }
  return out;
}

std::optional<std::vector<std::string>> SplitCommand(std::string_view text) {
  return Splitter(text).Run();
}

CommandLine BuildCommandLine(std::string_view commandLine, const PlaceholderValues& values) {
  CommandLine line{{}, FillPlaceholders(commandLine, values)};
  if (auto words = SplitCommand(commandLine)) {
    for (const std::string& word : *words) line.args.push_back(FillPlaceholders(word, values));
  }
  return line;
}

}  // namespace corvane
