#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "xml/child_path.h"
#include "xml/go_xml.h"
#include "xml/node_query.h"
#include "xml/xpath_positions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace corvane {
namespace {

TEST(XPathPositions, RaisesEveryWholeNumberPredicateAndNothingElse) {
  const std::pair<const char*, const char*> cases[] = {
      {"/a[0]/b[1]/c[2]", "/a[1]/b[2]/c[3]"}, {"/a[b[0]][@x][0]", "/a[b[1]][@x][1]"},
      {"/a[last()]", "/a[last()]"},           {"/a[0.5]", "/a[0.5]"},
      {"/a[@x='[0]'][0]", "/a[@x='[0]'][1]"},                    // string literals stay as written
      {"/a[\"x']\"][2]", "/a[\"x']\"][3]"},   {"/a[0", "/a[0"},  // malformed stays malformed
  };
  for (const auto& [query, expected] : cases) EXPECT_EQ(ToOneBasedPositions(query), expected);
}

constexpr const char* kDocument =
    "<Corvane><Name>n</Name><Observation/>"
    "<Observation><?Point pi?><Point>a</Point><!--c--><Other/><Point>b<Name>bn</Name></Point>"
    "<Point>c</Point></Observation><Observation><Point>d<Name>dn</Name></Point></Observation>"
    "</Corvane>";

// Whenever a query takes the short cut, it must find what XPath finds; asked
// in an order that uses and then invalidates what was remembered.
TEST(ChildPath, AnswersWhatXPathAnswersForPlainChildPathsOnly) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(kDocument));
  ChildPathFinder finder;
  int plain = 0;
  const char* const queries[] = {
      "/Corvane/Observation/Point[0]", "/Corvane/Observation/Point[2]",
      "/Corvane/Observation/Point[3]", "/Corvane/Observation/Point[1]/Name",
      "/Corvane/Observation/Point[0]", "/Corvane/Observation/Point/Name",
      "/Corvane/Observation[2]/Point[0]/Name", "/Corvane/Observation[0]/Point[0]",
      "/Corvane/Name[1]", "/Other", "/Corvane[0]/Observation[2]",
      // Not plain: left to XPath.
      "", "Corvane/Name", "//Point", "/a/*", "/a[last()]", "/a[1", "/a/@b", "/a/text()", "/a|/b",
      "/a[-1]", "/a/"};
  for (const char* query : queries) {
    const auto steps = ParseChildPath(query);
    if (!steps) continue;
    ++plain;
    EXPECT_EQ(finder.FirstMatch(document, *steps),
              SelectFirstNode(document.document_element(), query).node())
        << query;
  }
  EXPECT_EQ(plain, 11);
}

TEST(ChildPath, EditsNeverLeaveAStaleShortCut) {
  CGoXML xml;
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromString(kDocument));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "bbn");
  ASSERT_TRUE(xml.DeleteNode("/Corvane/Observation/Point[1]"));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "c");
  ASSERT_TRUE(xml.InsertNode("/Corvane/Observation/Point[0]", "Point", XmlValue("new")));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[2]"), "new");
  ASSERT_TRUE(xml.OpenFromString("<Corvane><Observation><Point>x</Point></Observation></Corvane>"));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "");
}

// Any input that ever made the fuzzer fail belongs among the kept ones.
TEST(GoXmlFuzzRegressions, EveryKeptInputRunsClean) {
  for (const char* folder : {CORVANE_FUZZ_REGRESSIONS, CORVANE_FUZZ_SEEDS}) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    ASSERT_FALSE(files.empty()) << folder;
    for (const auto& file : files) {
      const std::string bytes = test::ReadFile(file.string());
      const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
      EXPECT_EQ(LLVMFuzzerTestOneInput(data, bytes.size()), 0) << file.filename();
    }
  }
}

}  // namespace
}  // namespace corvane
