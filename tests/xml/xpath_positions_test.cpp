#include "xml/xpath_positions.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct Rewrite {
  const char* query;
  const char* expected;
};

TEST(XPathPositions, RaisesEveryWholeNumberPredicateAndNothingElse) {
  const Rewrite cases[] = {
      {"/Corvane/Observation/Point[0]/Name", "/Corvane/Observation/Point[1]/Name"},
      {"/a[0]/b[1]/c[2]", "/a[1]/b[2]/c[3]"},
      {"/a[ 9 ]", "/a[ 10 ]"},
      {"/a[99]", "/a[100]"},
      {"/a[007]", "/a[008]"},
      {"/a[99999999999999999999999]", "/a[100000000000000000000000]"},
      {"/a[b[0]]", "/a[b[1]]"},
      {"/a[@x][0]", "/a[@x][1]"},
      {"(//a)[0]", "(//a)[1]"},
      // Not plain whole numbers: left alone.
      {"/a[last()]", "/a[last()]"},
      {"/a[position()=0]", "/a[position()=0]"},
      {"/a[0.5]", "/a[0.5]"},
      {"/a[-1]", "/a[-1]"},
      {"/a[1+1]", "/a[1+1]"},
      {"/a[]", "/a[]"},
      // Numbers inside string literals, even bracketed ones, stay as written.
      {"/a[@x='[0]'][0]", "/a[@x='[0]'][1]"},
      {"/a[b=\"0\"]", "/a[b=\"0\"]"},
      {"/a[\"x']\"][2]", "/a[\"x']\"][3]"},
      // Malformed queries stay malformed.
      {"/a[0", "/a[0"},
      {"/a]0]", "/a]0]"},
      {"/a['0]", "/a['0]"},
  };
  for (const Rewrite& c : cases) {
    EXPECT_EQ(ToOneBasedPositions(c.query), c.expected) << c.query;
  }
}

TEST(XPathPositions, DeeplyNestedPredicatesNeedNoRecursion) {
  const std::size_t depth = 200000;
  const std::string query = "/a" + std::string(depth, '[') + "0" + std::string(depth, ']');
  const std::string expected = "/a" + std::string(depth, '[') + "1" + std::string(depth, ']');
  EXPECT_EQ(ToOneBasedPositions(query), expected);
}

}  // namespace
}  // namespace corvane
