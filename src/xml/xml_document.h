#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "xml/parse_error_report.h"
#include "xml/xml_errors.h"
#include "xml/xml_value.h"

namespace pugi {
class xml_document;
class xml_node;
struct xml_parse_result;
class xpath_node;
}  // namespace pugi

namespace corvane {

class ChildPathFinder;

// Requests for Initialize.
inline constexpr std::int32_t kBestAvailableParser = 99;

// The titles under which a caller shows LastParseReport (with an
// exclamation icon) and LastSaveError (with a stop icon).
inline constexpr char kParseErrorTitle[] = "Corvane XmlDocument.DisplayParseError()";
inline constexpr char kSaveErrorTitle[] = "Corvane XmlDocument.Save()";

// The pseudo-attributes of the declaration, for XMLDocumentInfo.
enum class DeclarationPart : std::int32_t { Version = 0, Encoding = 1, Standalone = 2 };

// Where InsertNode puts the new element.
enum class NodeRelation : std::int32_t {
  Sibling = 0,  // last child of the match's parent
  Child = 1,    // last child of the match
};

// One XML document, reached through query strings: XPath 1.0 location paths
// whose positional predicates count from 0 ("/Corvane/Observation/Point[0]"
// is the first Point). Queries are evaluated with the root element as the
// context node.
//
// Reads never throw: without a document, without a match, or with a
// malformed query they answer a fixed failure value (NodeCount -1, texts
// empty, XMLDocumentInfo nullopt). Edits never throw and answer false.
// Only loading without a chosen parser (XmlParserUnavailable) and XML()
// without a document (XmlDocumentMissing) throw.
//
// Not thread-safe: made, used and destroyed on one thread.
class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Chooses the parser: 1 to 4 are available, 99 asks for the best (4);
  // anything else answers and stores 0.
  std::int32_t Initialize(std::int32_t desiredVersion);

  // Each load drops the previous document first. False (and no document)
  // when the file is missing, unreadable or malformed. Throws
  // XmlParserUnavailable when no parser is chosen. Files are decoded from
  // their BOM or declaration (UTF-8, UTF-16, UTF-32, ISO-8859-1); source is
  // always UTF-8.
  bool OpenFromFile(const std::string& fileName);
  bool OpenFromString(const std::string& source);
  // Why the last load failed ("line 3, column 7: Start-end tags mismatch",
  // "File was not found"), and the same as the full parse-error report for
  // a message box; both kept until the next failed load.
  const std::string& LastLoadError() const { return lastLoadError_; }
  const std::string& LastParseReport() const { return lastParseReport_; }

  // The whole document as UTF-8 markup. Throws XmlDocumentMissing.
  std::string XML() const;
  // The declaration's version, encoding or standalone value; nullopt when
  // the document has no declaration or it lacks that pseudo-attribute.
  std::optional<std::string> XMLDocumentInfo(DeclarationPart part) const;

  std::int32_t NodeCount(const std::string& query) const;
  std::string ReadNode(const std::string& query) const;
  std::string ReadNodeXML(const std::string& query) const;
  std::string ReadAttribute(const std::string& query, const std::string& attributeName) const;

  // Edits change the first match only.
  bool DeleteNode(const std::string& query);
  bool WriteNode(const std::string& query, const XmlValue& newNodeValue);
  bool WriteAttribute(const std::string& query, const std::string& attributeName,
                      const XmlValue& newAttributeValue);
  bool DeleteAttribute(const std::string& query, const std::string& attributeName);
  bool WriteCDataSection(const std::string& query, const XmlValue& newCDataValue);
  // May answer false with the element inserted: when an attribute value is
  // given without a usable attribute name.
  bool InsertNode(const std::string& query, const std::string& newNodeName,
                  const std::optional<XmlValue>& newNodeValue = std::nullopt,
                  const std::optional<std::string>& newAttributeName = std::nullopt,
                  const std::optional<XmlValue>& newAttributeValue = std::nullopt,
                  NodeRelation relation = NodeRelation::Sibling);
  // Whether the document, written out as text, parses again.
  bool Reparse() const;
  // Writes the document. On failure LastSaveError() holds
  // "Error <errno> - <reason>" until the next failed save.
  bool Save(const std::string& fileName);
  const std::string& LastSaveError() const { return lastSaveError_; }

 private:
  std::unique_ptr<pugi::xml_document> MakeDomObject() const;
  std::unique_ptr<pugi::xml_document> StartLoad();
  bool FinishLoad(std::unique_ptr<pugi::xml_document> document,
                  const pugi::xml_parse_result& result, const std::string& source);
  static ParseErrorLocation Locate(const pugi::xml_parse_result& result, const std::string& source);
  pugi::xml_node RootElement() const;
  pugi::xpath_node FirstMatch(const std::string& query) const;

  std::int32_t parserVersion_ = 0;
  std::unique_ptr<pugi::xml_document> document_;
  // Fast first matches of plain child paths; forgotten on every change.
  std::unique_ptr<ChildPathFinder> childPaths_;
  std::string lastLoadError_;
  std::string lastParseReport_;
  std::string lastSaveError_;
};

}  // namespace corvane
