#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string>

namespace corvane {

// Markup of a query match in UTF-8, without added indentation or line
// breaks: an element with its own tags, an attribute as name="value".
std::string NodeMarkup(const pugi::xpath_node& match);

// The whole document as UTF-8 markup, exactly the nodes it holds (no XML
// declaration is invented when it has none).
std::string DocumentMarkup(const pugi::xml_document& document);

struct FileWriteError {
  int number = 0;           // errno of the failing call
  std::string description;  // the system's text for it
};

// Writes the document to `path`, in the encoding its XML declaration names
// (UTF-16 variants and ISO-8859-1; anything else is written as UTF-8), so
// that the file reads back as it was meant. Nullopt on success.
std::optional<FileWriteError> WriteDocumentFile(const pugi::xml_document& document,
                                                const std::string& path);

}  // namespace corvane
