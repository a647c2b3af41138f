// Editing and saving. Every edit changes the first match of its query only
// and answers false, without throwing, when there is no document, no match,
// a malformed query, or a change a DOM would refuse.
#include <pugixml.hpp>

#include "xml/child_path.h"
#include "xml/document_output.h"
#include "xml/parse_options.h"
#include "xml/tree_edit.h"
#include "xml/xml_document.h"
#include "xml/xml_names.h"

namespace corvane {

// An edit may remove or move the nodes a child path remembers: forget them
// before the edit looks its node up, and again once it is done.
class ForgetChildPaths {
 public:
  explicit ForgetChildPaths(ChildPathFinder& finder) : finder_(finder) { finder_.Clear(); }
  ~ForgetChildPaths() { finder_.Clear(); }
  ForgetChildPaths(const ForgetChildPaths&) = delete;
  ForgetChildPaths& operator=(const ForgetChildPaths&) = delete;

 private:
  ChildPathFinder& finder_;
};
namespace {

bool IsElement(const pugi::xml_node& node) { return node.type() == pugi::node_element; }

// A node whose own data a DOM lets one set as its text.
bool HoldsOwnData(const pugi::xml_node& node) {
  switch (node.type()) {
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi: return true;
    default: return false;
  }
}

void SetText(pugi::xml_attribute attribute, const std::string& text) {
  attribute.set_value(text.data(), text.size());
}

// Sets (creates or overwrites) an attribute on an element; false for a name
// that markup could not carry.
bool SetAttribute(pugi::xml_node element, const std::string& name, const XmlValue& value) {
  if (!IsXmlName(name)) return false;
  pugi::xml_attribute attribute = element.attribute(name.c_str());
  if (!attribute) attribute = element.append_attribute(name.c_str());
  SetText(attribute, value.Text());
  return true;
}

// Whether an element may be appended to `parent`: a document holds one
// root element at most, and text-like nodes hold no children at all.
bool AcceptsElementChild(const pugi::xml_node& parent) {
  if (parent.type() == pugi::node_document) {
    return !parent.find_child(
        [](pugi::xml_node child) { return child.type() == pugi::node_element; });
  }
  return IsElement(parent);
}

pugi::xml_node AppendCData(pugi::xml_node element, const std::string& text) {
  pugi::xml_node section = element.append_child(pugi::node_cdata);
  section.set_value(text.data(), text.size());
  return section;
}

}  // namespace

bool XmlDocument::DeleteNode(const std::string& query) {
  const ForgetChildPaths forget(*childPaths_);
  // An attribute is not a child of its element: like a DOM, refuse it here.
  const pugi::xml_node node = FirstMatch(query).node();
  return RemoveNode(node);
}

bool XmlDocument::WriteNode(const std::string& query, const XmlValue& newNodeValue) {
  const ForgetChildPaths forget(*childPaths_);
  const pugi::xpath_node match = FirstMatch(query);
  const std::string& text = newNodeValue.Text();
  if (const pugi::xml_attribute attribute = match.attribute()) {
    SetText(attribute, text);
    return true;
  }
  pugi::xml_node node = match.node();
  if (HoldsOwnData(node)) return node.set_value(text.data(), text.size());
  if (!IsElement(node)) return false;
  ReplaceChildrenWithText(node, text);
  return true;
}

bool XmlDocument::WriteAttribute(const std::string& query, const std::string& attributeName,
                                 const XmlValue& newAttributeValue) {
  const ForgetChildPaths forget(*childPaths_);
  const pugi::xml_node node = FirstMatch(query).node();
  if (!IsElement(node)) return false;
  return SetAttribute(node, attributeName, newAttributeValue);
}

bool XmlDocument::DeleteAttribute(const std::string& query, const std::string& attributeName) {
  const ForgetChildPaths forget(*childPaths_);
  pugi::xml_node node = FirstMatch(query).node();
  if (!IsElement(node)) return false;
  // Removing an attribute the element lacks is not an error.
  if (IsXmlName(attributeName)) node.remove_attribute(attributeName.c_str());
  return true;
}

bool XmlDocument::WriteCDataSection(const std::string& query, const XmlValue& newCDataValue) {
  const ForgetChildPaths forget(*childPaths_);
  pugi::xml_node node = FirstMatch(query).node();
  if (!IsElement(node)) return false;
  const std::string& text = newCDataValue.Text();
  pugi::xml_node only = node.first_child();
  if (!only) return static_cast<bool>(AppendCData(node, text));
  if (only.next_sibling()) return false;  // two or more children: left alone
  if (only.type() == pugi::node_cdata) return only.set_value(text.data(), text.size());
  RemoveChildren(node);
  return static_cast<bool>(AppendCData(node, text));
}

bool XmlDocument::InsertNode(const std::string& query, const std::string& newNodeName,
                             const std::optional<XmlValue>& newNodeValue,
                             const std::optional<std::string>& newAttributeName,
                             const std::optional<XmlValue>& newAttributeValue,
                             NodeRelation relation) {
  const ForgetChildPaths forget(*childPaths_);
  const pugi::xpath_node match = FirstMatch(query);
  // An attribute match has no parent node and takes no element children.
  pugi::xml_node parent;
  if (relation == NodeRelation::Sibling) parent = match.node().parent();
  if (relation == NodeRelation::Child) parent = match.node();
  if (!AcceptsElementChild(parent) || !IsXmlName(newNodeName)) return false;

  pugi::xml_node element = parent.append_child(newNodeName.c_str());
  if (newNodeValue) ReplaceChildrenWithText(element, newNodeValue->Text());
  // The attribute comes after the insertion, so a missing attribute name
  // fails the call with the element already in place.
  if (newAttributeValue) {
    return SetAttribute(element, newAttributeName.value_or(std::string()), *newAttributeValue);
  }
  return true;
}

bool XmlDocument::Reparse() const {
  if (!document_) return false;
  const auto probe = MakeDomObject();
  if (!probe) return false;
  const std::string markup = DocumentMarkup(*document_);
  return static_cast<bool>(
      probe->load_buffer(markup.data(), markup.size(), kParseOptions, pugi::encoding_utf8));
}

bool XmlDocument::Save(const std::string& fileName) {
  std::optional<FileWriteError> error;
  if (!document_) {
    error = FileWriteError{0, XmlDocumentMissing().what()};
  } else {
    error = WriteDocumentFile(*document_, fileName);
  }
  if (!error) return true;
  lastSaveError_ = "Error " + std::to_string(error->number) + " - " + error->description;
  return false;
}

}  // namespace corvane
