#include "xml/child_path.h"

#include <cstring>

#include "text/text_bytes.h"

namespace corvane {
namespace {

// Deeper paths are rare and left to XPath, which keeps Resolve's recursion
// shallow whatever the query.
constexpr std::size_t kMaxSteps = 32;
constexpr std::size_t kMaxPositionDigits = 9;

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsAsciiDigit(c) || c == '-' || c == '.'; }

// Reads "name" or "name[digits]" from the front of `rest`.
std::optional<ChildStep> ParseStep(std::string_view& rest) {
  std::size_t end = 0;
  if (rest.empty() || !IsNameStart(rest[0])) return std::nullopt;
  while (end < rest.size() && IsNameChar(rest[end])) ++end;
  ChildStep step{std::string(rest.substr(0, end)), std::nullopt};
  rest.remove_prefix(end);
  if (rest.empty() || rest[0] != '[') return step;
  std::size_t digits = 1;
  while (digits < rest.size() && IsAsciiDigit(rest[digits])) ++digits;
  if (digits == 1 || digits > kMaxPositionDigits + 1 || digits >= rest.size() ||
      rest[digits] != ']') {
    return std::nullopt;
  }
  step.position = std::stoul(std::string(rest.substr(1, digits - 1)));
  rest.remove_prefix(digits + 1);
  return step;
}

bool IsElementNamed(const pugi::xml_node& node, const std::string& name) {
  return node.type() == pugi::node_element && std::strcmp(node.name(), name.c_str()) == 0;
}

pugi::xml_node NextElementNamed(pugi::xml_node node, const std::string& name) {
  while (node && !IsElementNamed(node, name)) node = node.next_sibling();
  return node;
}

}  // namespace

std::optional<std::vector<ChildStep>> ParseChildPath(std::string_view query) {
  std::vector<ChildStep> steps;
  while (!query.empty()) {
    if (query[0] != '/' || steps.size() == kMaxSteps) return std::nullopt;
    query.remove_prefix(1);
    auto step = ParseStep(query);
    if (!step) return std::nullopt;
    steps.push_back(std::move(*step));
  }
  if (steps.empty()) return std::nullopt;
  return steps;
}

pugi::xml_node ChildPathFinder::FirstMatch(const pugi::xml_node& document,
                                           const std::vector<ChildStep>& steps) {
  return Resolve(document, steps, 0);
}

pugi::xml_node ChildPathFinder::Resolve(const pugi::xml_node& context,
                                        const std::vector<ChildStep>& steps, std::size_t step) {
  if (step == steps.size()) return context;
  const ChildStep& current = steps[step];
  if (current.position) {
    const pugi::xml_node child = NthChild(context, current.name, *current.position);
    return child ? Resolve(child, steps, step + 1) : pugi::xml_node();
  }
  // Without a position every child of that name is a candidate: the first
  // one that leads to a match is the first match in document order.
  for (pugi::xml_node child = NextElementNamed(context.first_child(), current.name); child;
       child = NextElementNamed(child.next_sibling(), current.name)) {
    if (const pugi::xml_node found = Resolve(child, steps, step + 1)) return found;
  }
  return {};
}

pugi::xml_node ChildPathFinder::NthChild(const pugi::xml_node& parent, const std::string& name,
                                         std::size_t position) {
  pugi::xml_node node;
  std::size_t at = 0;
  if (last_.node && last_.parent == parent && last_.name == name && last_.position <= position) {
    node = last_.node;
    at = last_.position;
  } else {
    node = NextElementNamed(parent.first_child(), name);
  }
  while (node && at < position) {
    node = NextElementNamed(node.next_sibling(), name);
    ++at;
  }
  if (node) last_ = {parent, name, position, node};
  return node;
}

}  // namespace corvane
