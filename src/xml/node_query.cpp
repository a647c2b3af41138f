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

// Compiles the query and evaluates it; `failed` stands for every way it
// can go wrong, so that no XPath error leaves this layer.
template <typename Result, typename Evaluation>
Result Evaluate(const pugi::xml_node& context, std::string_view query, Result failed,
                Evaluation evaluate) {
  if (!context) return failed;
  const auto compiled = CompileNodeQuery(query);
  if (!compiled) return failed;
#ifndef PUGIXML_NO_EXCEPTIONS
  try {
#endif
    return evaluate(*compiled);
#ifndef PUGIXML_NO_EXCEPTIONS
  } catch (const pugi::xpath_exception&) {
    return failed;
  } catch (const std::bad_alloc&) {
    return failed;
  }
#endif
}

}  // namespace

std::optional<pugi::xpath_node_set> SelectNodes(const pugi::xml_node& context,
                                                std::string_view query) {
  return Evaluate(
      context, query, std::optional<pugi::xpath_node_set>(),
      [&](const pugi::xpath_query& compiled) { return compiled.evaluate_node_set(context); });
}

pugi::xpath_node SelectFirstNode(const pugi::xml_node& context, std::string_view query) {
  // evaluate_node stops at the first match instead of building and sorting
  // the whole set.
  return Evaluate(context, query, pugi::xpath_node(), [&](const pugi::xpath_query& compiled) {
    return compiled.evaluate_node(context);
  });
}

}  // namespace corvane
