#pragma once

#include <stdexcept>

namespace corvane {

// The only errors the XML layer lets reach its caller. Reads and edits never
// throw; these mark misuse that the caller has to handle explicitly.
class XmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loading was asked for while no parser is chosen (Initialize was not called
// or answered 0). The observation-file loader catches this one.
class XmlParserUnavailable : public XmlError {
 public:
  XmlParserUnavailable() : XmlError("CGoXML: no XML parser is available") {}
};

// The whole-document markup was asked for while no document is loaded.
class XmlDocumentMissing : public XmlError {
 public:
  XmlDocumentMissing() : XmlError("CGoXML: no XML document is loaded") {}
};

}  // namespace corvane
