#pragma once

#include <cstddef>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One step of an absolute path made only of child element names, each with
// an optional 0-based position: "/Corvane/Observation/Point[3]/Name".
struct ChildStep {
  std::string name;
  std::optional<std::size_t> position;
};

// The steps of such a path, or nullopt for any other query (which then goes
// to the general XPath evaluation).
std::optional<std::vector<ChildStep>> ParseChildPath(std::string_view query);

// Finds the first match of a child path in document order without XPath,
// remembering where the last positional step ended. Reading the points of a
// large document one after another ("Point[0]", "Point[1]", ...) then costs
// a step to the next sibling instead of a walk from the first child, which
// keeps loading linear instead of quadratic.
//
// The remembered node belongs to the document: Clear() must run whenever
// the document is replaced or edited.
class ChildPathFinder {
 public:
  pugi::xml_node FirstMatch(const pugi::xml_node& document, const std::vector<ChildStep>& steps);
  void Clear() { last_ = {}; }

 private:
  pugi::xml_node Resolve(const pugi::xml_node& context, const std::vector<ChildStep>& steps,
                         std::size_t step);
  pugi::xml_node NthChild(const pugi::xml_node& parent, const std::string& name,
                          std::size_t position);

  struct Remembered {
    pugi::xml_node parent;
    std::string name;
    std::size_t position = 0;
    pugi::xml_node node;
  } last_;
};

}  // namespace corvane
