#include "lang/text_catalogue.h"

#include <array>

namespace corvane {

std::span<const CatalogueText> AllCatalogueTexts() {
#define CORVANE_CATALOGUE_NAME(name, ...) txt::name,
  static constexpr std::array kAll{CORVANE_CATALOGUE(CORVANE_CATALOGUE_NAME)};
#undef CORVANE_CATALOGUE_NAME
  return kAll;
}

}  // namespace corvane
