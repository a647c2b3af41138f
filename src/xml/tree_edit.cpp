#include "xml/tree_edit.h"

namespace corvane {
namespace {

// Frees the descendants of `top`, always removing a node that has no
// children left. Each step is O(1), so the whole walk is linear.
void RemoveDescendantsLeafFirst(pugi::xml_node top) {
  pugi::xml_node current = top;
  for (;;) {
    while (pugi::xml_node child = current.first_child()) current = child;
    if (current == top) return;
    pugi::xml_node parent = current.parent();
    parent.remove_child(current);
    current = parent;
  }
}

}  // namespace

bool RemoveNode(pugi::xml_node node) {
  pugi::xml_node parent = node.parent();
  if (!node || !parent) return false;
  RemoveDescendantsLeafFirst(node);
  return parent.remove_child(node);
}

void RemoveChildren(pugi::xml_node node) { RemoveDescendantsLeafFirst(node); }

void ReplaceChildrenWithText(pugi::xml_node node, std::string_view text) {
  RemoveChildren(node);
  if (text.empty()) return;
  node.append_child(pugi::node_pcdata).set_value(text.data(), text.size());
}

}  // namespace corvane
