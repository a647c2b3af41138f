#include "lang/language.h"

#include <QString>
#include <charconv>
#include <sstream>

#include "platform/files.h"
#include "text/text_bytes.h"

namespace corvane {
namespace {

// An id is a 16-bit whole number, blanks around it allowed.
std::optional<TextId> ParseTextId(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  const auto last = s.find_last_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  s = s.substr(first, last - first + 1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  TextId id = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), id);
  if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return id;
}

// "|" in a language file stands for a line break.
std::string ExpandLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '|') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

void Language::LoadLanguageFile(const std::string& path) {
  platform::Result<std::string> text = ReadLanguageFile(path);
  LoadLanguageText(text ? *std::move(text) : std::string());
}

platform::Result<std::string> Language::ReadLanguageFile(const std::string& path) {
  return platform::ReadRegularFile(path, kMaxFileBytes);
}

void Language::LoadLanguageText(std::string text) {
  table_.emplace();
  std::istringstream in(std::move(text));
  std::string line;
  bool firstLine = true;
  while (std::getline(in, line)) {
    if (firstLine) line.erase(0, line.size() - WithoutByteOrderMark(line).size());
    firstLine = false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with('#')) continue;
    const auto eq = line.find('=');
    if (eq != std::string::npos) {
      const auto id = ParseTextId(std::string_view(line).substr(0, eq));
      if (id && *id >= 0) (*table_)[*id] = ExpandLineBreaks(std::string_view(line).substr(eq + 1));
    }
  }
}

std::string Language::Translate(TextId id, TextDecoration decoration,
                                const std::string& defaultText) const {
  if (table_) {
    if (const auto found = table_->find(id); found != table_->end()) {
      return Decorate(found->second, decoration);
    }
  }
  return defaultText.empty() ? std::string("Translation Error!") : defaultText;
}

std::string Language::Decorate(std::string text, TextDecoration decoration) {
  if (decoration.upperFirst && !text.empty()) {
    QString q = QString::fromStdString(text);
    q[0] = q[0].toUpper();
    text = q.toStdString();
  }
  if (decoration.spaceBefore) text.insert(text.begin(), ' ');
  if (decoration.spaceAfter) text += ' ';
  return text;
}

std::string Language::Translate(const CatalogueText& text) const {
  return Translate(text.id, text.decoration, std::string(text.text));
}

}  // namespace corvane
