#pragma once

#include <string_view>

namespace corvane {

// Whether `name` may name an element or attribute. pugixml accepts any name
// and would write markup that no parser reads back, so the editing
// operations check names the way a validating DOM refuses them. Bytes of
// multi-byte UTF-8 characters are accepted as name characters.
bool IsXmlName(std::string_view name);

}  // namespace corvane
