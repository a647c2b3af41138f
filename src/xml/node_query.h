#pragma once

#include <optional>
#include <pugixml.hpp>
#include <string_view>

namespace corvane {

// Query evaluation for XmlDocument. Queries use 0-based positional predicates and
// are evaluated with `context` as the context node. Each call compiles its
// query once. Neither function throws: an empty context, a malformed query,
// a query that yields no node set or an evaluation error all give the
// "nothing" result.

// Every match, in document order; nullopt on failure.
std::optional<pugi::xpath_node_set> SelectNodes(const pugi::xml_node& context,
                                                std::string_view query);

// The first match in document order; an empty xpath_node on failure or when
// nothing matches.
pugi::xpath_node SelectFirstNode(const pugi::xml_node& context, std::string_view query);

}  // namespace corvane
