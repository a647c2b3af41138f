#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>

#include "lang/text_catalogue.h"
#include "platform/result.h"

namespace corvane {

// The table of translated texts, filled from a language file of numbered
// lines ("id=text"). Any text the file lacks falls back to the caller's
// built-in English.
class Language {
 public:
  // A language file is a few hundred lines; anything bigger is not one.
  static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

  // Replaces the whole table by the file's entries; malformed lines are
  // skipped. A file that ReadLanguageFile refuses leaves an empty table.
  void LoadLanguageFile(const std::string& path);

  // Reads a language file whole, never blocking: a FIFO or a device (which
  // could block or never end), anything larger than kMaxFileBytes or
  // unreadable is refused, with the reason.
  static platform::Result<std::string> ReadLanguageFile(const std::string& path);
  // Replaces the whole table by the entries of a language file's text.
  void LoadLanguageText(std::string text);

  // The file's text for id, decorated; without one, defaultText as it is
  // ("Translation Error!" when that is empty).
  std::string Translate(TextId id, TextDecoration decoration, const std::string& defaultText) const;
  // The catalogue's own flags and English text.
  std::string Translate(const CatalogueText& text) const;

 private:
  static std::string Decorate(std::string text, TextDecoration decoration);

  // Absent until the first load: every lookup then takes its default.
  std::optional<std::unordered_map<TextId, std::string>> table_;
};

}  // namespace corvane
