// Plain child paths take a short cut past XPath; it must answer exactly what
// XPath answers, also after edits that move or remove remembered nodes.
#include "xml/child_path.h"

#include <gtest/gtest.h>

#include "xml/go_xml.h"
#include "xml/node_query.h"

namespace corvane {
namespace {

constexpr const char* kDocument =
    "<?xml version=\"1.0\"?><Corvane><Name>n</Name>"
    "<Observation/>"
    "<Observation><?Point pi?><Point>a</Point><!--c--><Other/><Point>b<Name>bn</Name></Point>"
    "<Point>c</Point></Observation>"
    "<Observation><Point>d<Name>dn</Name></Point></Observation></Corvane>";

TEST(ChildPath, ParsesOnlyPlainChildPaths) {
  EXPECT_TRUE(ParseChildPath("/Corvane/Observation/Point[12]/Name"));
  EXPECT_TRUE(ParseChildPath("/a.b/c-d/_e"));
  for (const char* other :
       {"", "/", "Corvane/Name", "//Point", "/a/*", "/a[last()]", "/a[ 1]", "/a[1", "/a[]", "/a/@b",
        "/a/text()", "/a|/b", "/ns:a", "/a[-1]", "/a/", "/a[1234567890]"}) {
    EXPECT_FALSE(ParseChildPath(other)) << other;
  }
}

TEST(ChildPath, AnswersWhatXPathAnswers) {
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(kDocument));
  ChildPathFinder finder;
  // Asked in an order that uses and then invalidates what was remembered.
  for (const char* query :
       {"/Corvane/Observation/Point[0]", "/Corvane/Observation/Point[1]",
        "/Corvane/Observation/Point[2]", "/Corvane/Observation/Point[3]",
        "/Corvane/Observation/Point[1]/Name", "/Corvane/Observation/Point[0]",
        "/Corvane/Observation/Point/Name", "/Corvane/Observation[1]/Point[1]",
        "/Corvane/Observation[2]/Point[0]/Name", "/Corvane/Observation[0]/Point[0]",
        "/Corvane/Name", "/Corvane/Name[1]", "/Other", "/Corvane[0]/Observation[2]"}) {
    const pugi::xml_node viaXPath = SelectFirstNode(document.document_element(), query).node();
    const auto steps = ParseChildPath(query);
    ASSERT_TRUE(steps) << query;
    EXPECT_EQ(finder.FirstMatch(document, *steps), viaXPath) << query;
  }
}

TEST(ChildPath, EditsNeverLeaveAStaleShortCut) {
  CGoXML xml;
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromString(kDocument));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "bbn");
  ASSERT_TRUE(xml.DeleteNode("/Corvane/Observation/Point[1]"));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "c");
  ASSERT_TRUE(xml.InsertNode("/Corvane/Observation/Point[0]", "Point", XmlValue("new")));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "c");
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[2]"), "new");
  ASSERT_TRUE(xml.OpenFromString("<Corvane><Observation><Point>x</Point></Observation></Corvane>"));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[0]"), "x");
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]"), "");
}

}  // namespace
}  // namespace corvane
