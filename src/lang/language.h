#pragma once

#include <optional>
#include <string>
#include <unordered_map>

#include "lang/text_catalogue.h"

namespace corvane {

// The table of translated texts, filled from a language file of numbered
// lines ("id=text"). Any text the file lacks falls back to the caller's
// built-in English.
class Language {
 public:
  // Replaces the whole table by the file's entries. A missing or unreadable
  // file leaves an empty table; malformed lines are skipped.
  void LoadLanguageFile(const std::string& path);

  std::string Translate(TextId id, bool spaceBefore, bool spaceAfter, bool upperFirst,
                        const std::string& defaultText) const;
  // The catalogue's own flags and English text.
  std::string Translate(const CatalogueText& text) const;

  // The name from the "[Translation By: …]" header; empty when there is none.
  const std::string& TranslatorName() const { return translator_; }

 private:
  static std::string Decorate(std::string text, bool spaceBefore, bool spaceAfter, bool upperFirst);

  // Absent until the first load: every lookup then takes its default.
  std::optional<std::unordered_map<TextId, std::string>> table_;
  std::string translator_;
};

}  // namespace corvane
