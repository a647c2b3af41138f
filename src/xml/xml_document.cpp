// Loading and reading. Editing and saving are in xml_document_edit.cpp.
#include "xml/xml_document.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <pugixml.hpp>

#include "xml/child_path.h"
#include "xml/document_file.h"
#include "xml/document_output.h"
#include "xml/node_query.h"
#include "xml/node_text.h"
#include "xml/parse_error_report.h"
#include "xml/parse_options.h"
#include "xml/text_decoding.h"

namespace corvane {
namespace {

bool IsAvailableParser(std::int32_t version) { return version >= 1 && version <= 4; }

// Errors that happen before any text is parsed have no place in it.
bool IsSourceError(pugi::xml_parse_status status) {
  return status != pugi::status_file_not_found && status != pugi::status_io_error &&
         status != pugi::status_out_of_memory && status != pugi::status_internal_error;
}

}  // namespace

XmlDocument::XmlDocument() : childPaths_(std::make_unique<ChildPathFinder>()) {}

XmlDocument::~XmlDocument() = default;

// One library stands behind every parser version, so versions 1 to 4 are all
// available and the best one is 4.
std::int32_t XmlDocument::Initialize(std::int32_t desiredVersion) {
  if (desiredVersion == kBestAvailableParser) {
    parserVersion_ = 4;
  } else {
    parserVersion_ = IsAvailableParser(desiredVersion) ? desiredVersion : 0;
  }
  return parserVersion_;
}

std::unique_ptr<pugi::xml_document> XmlDocument::MakeDomObject() const {
  if (!IsAvailableParser(parserVersion_)) return nullptr;
  return std::make_unique<pugi::xml_document>();
}

// The old document goes before the new one is made, so a load that throws
// also leaves the object without a document.
std::unique_ptr<pugi::xml_document> XmlDocument::StartLoad() {
  childPaths_->Clear();
  document_.reset();
  auto document = MakeDomObject();
  if (!document) throw XmlParserUnavailable();
  return document;
}

bool XmlDocument::OpenFromFile(const std::string& fileName) {
  auto document = StartLoad();
  std::string bytes;
  pugi::xml_parse_result result;
  result.status = ReadDocumentFile(fileName, bytes);
  if (result.status == pugi::status_ok) {
    result = document->load_buffer(bytes.data(), bytes.size(), kParseOptions, pugi::encoding_auto);
  }
  return FinishLoad(std::move(document), result, bytes);
}

// The text is UTF-8 whatever its declaration says: the declaration names the
// encoding of a file, not of text already in memory.
bool XmlDocument::OpenFromString(const std::string& source) {
  auto document = StartLoad();
  const pugi::xml_parse_result result =
      document->load_buffer(source.data(), source.size(), kParseOptions, pugi::encoding_utf8);
  return FinishLoad(std::move(document), result, source);
}

bool XmlDocument::FinishLoad(std::unique_ptr<pugi::xml_document> document,
                             const pugi::xml_parse_result& result, const std::string& source) {
  if (result) {
    document_ = std::move(document);
    return true;
  }
  const ParseErrorLocation where = Locate(result, source);
  lastLoadError_ = result.description();
  if (where.line > 0) {
    lastLoadError_ = "line " + std::to_string(where.line) + ", column " +
                     std::to_string(where.column) + ": " + lastLoadError_;
  }
  lastParseReport_ =
      ParseErrorReportText(static_cast<int>(result.status), result.description(), where);
  return false;
}

ParseErrorLocation XmlDocument::Locate(const pugi::xml_parse_result& result,
                                       const std::string& source) {
  if (!IsSourceError(result.status)) return {};
  // pugixml counts the offset in the text after converting it to UTF-8.
  const std::string text =
      result.encoding == pugi::encoding_utf8 ? source : DecodeToUtf8(source, result.encoding);
  return LocateOffset(text, static_cast<std::size_t>(result.offset));
}

std::string XmlDocument::XML() const {
  if (!document_) throw XmlDocumentMissing();
  return DocumentMarkup(*document_);
}

std::optional<std::string> XmlDocument::XMLDocumentInfo(DeclarationPart part) const {
  static constexpr const char* kPseudoAttributes[] = {"version", "encoding", "standalone"};
  if (!document_ || part < DeclarationPart::Version || part > DeclarationPart::Standalone) {
    return std::nullopt;
  }
  // pugixml accepts a declaration only at the very start of a document.
  const pugi::xml_node first = document_->first_child();
  if (first.type() != pugi::node_declaration) return std::nullopt;
  const pugi::xml_attribute item =
      first.attribute(kPseudoAttributes[static_cast<std::size_t>(part)]);
  if (!item) return std::nullopt;
  return std::string(item.value());
}

pugi::xml_node XmlDocument::RootElement() const {
  return document_ ? document_->document_element() : pugi::xml_node();
}

pugi::xpath_node XmlDocument::FirstMatch(const std::string& query) const {
  if (!document_) return {};
  if (const auto steps = ParseChildPath(query)) {
    return pugi::xpath_node(childPaths_->FirstMatch(*document_, *steps));
  }
  return SelectFirstNode(RootElement(), query);
}

std::int32_t XmlDocument::NodeCount(const std::string& query) const {
  const auto matches = SelectNodes(RootElement(), query);
  if (!matches) return -1;
  constexpr std::size_t kMost = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::min(matches->size(), kMost));
}

std::string XmlDocument::ReadNode(const std::string& query) const {
  return NodeText(FirstMatch(query));
}

std::string XmlDocument::ReadNodeXML(const std::string& query) const {
  const pugi::xpath_node match = FirstMatch(query);
  return match ? NodeMarkup(match) : std::string();
}

std::string XmlDocument::ReadAttribute(const std::string& query,
                                       const std::string& attributeName) const {
  const pugi::xml_node node = FirstMatch(query).node();
  // pugixml takes C strings; a name with a NUL in it names no attribute.
  if (node.type() != pugi::node_element || attributeName.find('\0') != std::string::npos) {
    return {};
  }
  return node.attribute(attributeName.c_str()).value();
}

}  // namespace corvane
