#include "xml/document_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace corvane {
namespace {

// Raw output keeps the document's own text; indenting would also cost
// memory quadratic in the nesting depth.
constexpr unsigned kOutputFlags = pugi::format_raw | pugi::format_no_declaration;

class StringWriter : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

void AppendEscapedAttributeValue(std::string& out, std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

struct FileEncoding {
  pugi::xml_encoding encoding;
  unsigned extraFlags;
};

FileEncoding EncodingForFile(const pugi::xml_document& document) {
  const pugi::xml_node first = document.first_child();
  const std::string_view name =
      first.type() == pugi::node_declaration ? first.attribute("encoding").value() : "";
  // Plain "UTF-16" needs a byte order mark; the LE/BE names forbid one.
  if (SameNameIgnoringCase(name, "UTF-16"))
    return {pugi::encoding_utf16_le, pugi::format_write_bom};
  if (SameNameIgnoringCase(name, "UTF-16LE")) return {pugi::encoding_utf16_le, 0};
  if (SameNameIgnoringCase(name, "UTF-16BE")) return {pugi::encoding_utf16_be, 0};
  if (SameNameIgnoringCase(name, "ISO-8859-1") || SameNameIgnoringCase(name, "latin1")) {
    return {pugi::encoding_latin1, 0};
  }
  return {pugi::encoding_utf8, 0};
}

FileWriteError LastSystemError() {
  const int number = errno != 0 ? errno : EIO;
  return {number, std::strerror(number)};
}

}  // namespace

std::string NodeMarkup(const pugi::xpath_node& match) {
  if (const pugi::xml_attribute attribute = match.attribute()) {
    std::string markup = attribute.name();
    markup += "=\"";
    AppendEscapedAttributeValue(markup, attribute.value());
    markup += '"';
    return markup;
  }
  StringWriter writer;
  match.node().print(writer, "", kOutputFlags, pugi::encoding_utf8);
  return std::move(writer.text);
}

std::string DocumentMarkup(const pugi::xml_document& document) {
  StringWriter writer;
  document.save(writer, "", kOutputFlags, pugi::encoding_utf8);
  return std::move(writer.text);
}

std::optional<FileWriteError> WriteDocumentFile(const pugi::xml_document& document,
                                                const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return LastSystemError();
  const FileEncoding target = EncodingForFile(document);
  pugi::xml_writer_file writer(file);
  document.save(writer, "", kOutputFlags | target.extraFlags, target.encoding);
  std::optional<FileWriteError> error;
  if (std::ferror(file) != 0) error = LastSystemError();
  if (std::fclose(file) != 0 && !error) error = LastSystemError();
  return error;
}

}  // namespace corvane
