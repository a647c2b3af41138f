#include "xml/node_text.h"

namespace corvane {
namespace {

bool IsCharacterData(const pugi::xml_node& node) {
  return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

bool HoldsOwnData(const pugi::xml_node& node) {
  return IsCharacterData(node) || node.type() == pugi::node_comment || node.type() == pugi::node_pi;
}

std::string DescendantText(const pugi::xml_node& top) {
  std::string text;
  pugi::xml_node current = top.first_child();
  while (current) {
    if (IsCharacterData(current)) text += current.value();
    if (pugi::xml_node child = current.first_child()) {
      current = child;
      continue;
    }
    // Climb until a node with a following sibling, stopping at `top`.
    while (current != top && !current.next_sibling()) current = current.parent();
    current = current == top ? pugi::xml_node() : current.next_sibling();
  }
  return text;
}

}  // namespace

std::string NodeText(const pugi::xpath_node& match) {
  if (match.attribute()) return match.attribute().value();
  const pugi::xml_node node = match.node();
  if (!node) return {};
  if (HoldsOwnData(node)) return node.value();
  return DescendantText(node);
}

}  // namespace corvane
