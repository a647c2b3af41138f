#include "xml/node_query.h"

#include <memory>
#include <new>
#include <string>

#include "xml/xpath_positions.h"

namespace corvane {
namespace {

// Compiles the query, or answers null when it is not a well-formed
// expression that yields nodes. pugixml throws on compile errors when built
// with exceptions (as Debian builds it) and reports through result()
// otherwise; both are handled.
std::unique_ptr<pugi::xpath_query> CompileNodeQuery(std::string_view query) {
  // pugixml takes a C string: an embedded NUL would silently cut the query.
  if (query.find('\0') != std::string_view::npos) return nullptr;
  const std::string xpath = ToOneBasedPositions(query);
#ifndef PUGIXML_NO_EXCEPTIONS
  try {
#endif
    auto compiled = std::make_unique<pugi::xpath_query>(xpath.c_str());
    if (!compiled->result() || compiled->return_type() != pugi::xpath_type_node_set) {
      return nullptr;
    }
    return compiled;
#ifndef PUGIXML_NO_EXCEPTIONS
  } catch (const pugi::xpath_exception&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
#endif
}

}  // namespace

std::optional<pugi::xpath_node_set> SelectNodes(const pugi::xml_node& context,
                                                std::string_view query) {
  if (!context) return std::nullopt;
  const auto compiled = CompileNodeQuery(query);
  if (!compiled) return std::nullopt;
#ifndef PUGIXML_NO_EXCEPTIONS
  try {
#endif
    return compiled->evaluate_node_set(context);
#ifndef PUGIXML_NO_EXCEPTIONS
  } catch (const pugi::xpath_exception&) {
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
#endif
}

pugi::xpath_node SelectFirstNode(const pugi::xml_node& context, std::string_view query) {
  if (!context) return {};
  const auto compiled = CompileNodeQuery(query);
  if (!compiled) return {};
#ifndef PUGIXML_NO_EXCEPTIONS
  try {
#endif
    // evaluate_node stops at the first match instead of building and
    // sorting the whole set.
    return compiled->evaluate_node(context);
#ifndef PUGIXML_NO_EXCEPTIONS
  } catch (const pugi::xpath_exception&) {
    return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
#endif
}

}  // namespace corvane
