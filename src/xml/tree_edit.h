#pragma once

#include <pugixml.hpp>
#include <string_view>

namespace corvane {

// Structural edits that stay safe on very deep subtrees. pugixml frees a
// removed subtree recursively, one stack frame per level; these helpers take
// a deep subtree apart leaf first, so that every removal the library sees is
// shallow.

// Detaches `node` from its parent and frees it with its subtree.
// False when the node has no parent.
bool RemoveNode(pugi::xml_node node);

// Removes every child of `node`.
void RemoveChildren(pugi::xml_node node);

// Replaces all children of `node` by one text node holding `text` (none when
// the text is empty), as setting a DOM node's text does.
void ReplaceChildrenWithText(pugi::xml_node node, std::string_view text);

}  // namespace corvane
