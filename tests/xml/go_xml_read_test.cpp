// Reads: with a match, without one, without a document; 0-based positions;
// the declaration's pseudo-attributes.
#include <gtest/gtest.h>

#include "xml/go_xml.h"
#include "xml_test_support.h"

namespace corvane {
namespace {

using testing::kObservationXml;

class GoXmlRead : public ::testing::Test {
 protected:
  void SetUp() override {
    xml.Initialize(99);
    ASSERT_TRUE(xml.OpenFromString(kObservationXml));
  }
  CGoXML xml;
};

struct Match {
  const char* query;
  std::int32_t count;
  const char* text;
  const char* markup;
};

TEST_F(GoXmlRead, MatchesAnswerCountTextAndMarkupOfTheFirst) {
  const Match cases[] = {
      {"/Corvane/Name", 1, "Inbox", "<Name>Inbox</Name>"},
      {"/Corvane/Observation/Point", 3, "first5",
       "<Point Active=\"1\" Mode=\"copy\"><Name>first</Name><Interval>5</Interval></Point>"},
      {"Observation/Point/Name", 3, "first", "<Name>first</Name>"},  // relative to the root
      {"//Point/@Active", 2, "1", "Active=\"1\""},
      {"/Corvane/Observation/Point/Empty", 1, "", "<Empty/>"},
      {"/Corvane/Name/text()", 1, "Inbox", "Inbox"},
  };
  for (const Match& c : cases) {
    EXPECT_EQ(xml.NodeCount(c.query), c.count) << c.query;
    EXPECT_EQ(xml.ReadNode(c.query), c.text) << c.query;
    EXPECT_EQ(xml.ReadNodeXML(c.query), c.markup) << c.query;
  }
}

TEST_F(GoXmlRead, AttributesReadAsTextAndMissingOnesAsEmpty) {
  EXPECT_EQ(xml.ReadAttribute("/Corvane/Observation/Point", "Mode"), "copy");
  EXPECT_EQ(xml.ReadAttribute("//Point[Name='second']", "Active"), "0");
  EXPECT_EQ(xml.ReadAttribute("/Corvane/Observation/Point[2]", "Active"), "");
  EXPECT_EQ(xml.ReadAttribute("//Point/@Active", "Active"), "");  // an attribute has none
}

TEST_F(GoXmlRead, NoMatchAnswersZeroAndEmptyText) {
  for (const char* query : {"/Corvane/Missing", "/Other", "//Point[@Active='7']"}) {
    EXPECT_EQ(xml.NodeCount(query), 0) << query;
    EXPECT_EQ(xml.ReadNode(query), "") << query;
    EXPECT_EQ(xml.ReadNodeXML(query), "") << query;
    EXPECT_EQ(xml.ReadAttribute(query, "Active"), "") << query;
  }
}

TEST_F(GoXmlRead, MalformedQueriesAnswerFailureValues) {
  using std::string_literals::operator""s;
  for (const std::string& query :
       {"/Corvane/["s, "count(/Corvane)"s, ""s, "/Corvane\0/Name"s, "//Point[0"s, "'text'"s}) {
    EXPECT_EQ(xml.NodeCount(query), -1) << query;
    EXPECT_EQ(xml.ReadNode(query), "") << query;
    EXPECT_EQ(xml.ReadNodeXML(query), "") << query;
    EXPECT_EQ(xml.ReadAttribute(query, "Active"), "") << query;
  }
}

TEST(GoXmlReadWithoutDocument, EveryReadAnswersItsFailureValue) {
  CGoXML never;
  CGoXML failed;
  failed.Initialize(99);
  ASSERT_FALSE(failed.OpenFromString("<Corvane>"));
  for (CGoXML* xml : {&never, &failed}) {
    EXPECT_EQ(xml->NodeCount("/Corvane"), -1);
    EXPECT_EQ(xml->ReadNode("/Corvane"), "");
    EXPECT_EQ(xml->ReadNodeXML("/Corvane"), "");
    EXPECT_EQ(xml->ReadAttribute("/Corvane", "a"), "");
    EXPECT_EQ(xml->XMLDocumentInfo(xdiVersion), std::nullopt);
    EXPECT_THROW(xml->XML(), XmlDocumentMissing);
  }
}

TEST_F(GoXmlRead, PositionalPredicatesCountFromZero) {
  const std::int32_t count = xml.NodeCount("/Corvane/Observation/Point");
  const char* const names[] = {"first", "second", "third"};
  ASSERT_EQ(count, 3);
  for (std::int32_t i = 0; i < count; ++i) {
    EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[" + std::to_string(i) + "]/Name"), names[i]);
  }
  EXPECT_EQ(xml.NodeCount("/Corvane/Observation/Point[3]"), 0);
  EXPECT_EQ(xml.ReadNode("/Corvane[0]/Observation[0]/Point[1]/Name[0]"), "second");
  EXPECT_EQ(xml.ReadNode("//Point[@Active][1]/Name"), "second");
  EXPECT_EQ(xml.ReadNode("//Point[last()]/Name"), "third");
  EXPECT_EQ(xml.NodeCount("//Point[Name='0']"), 0);
  EXPECT_EQ(xml.ReadNode("(//Name)[3]"), "third");
}

TEST(GoXmlDocumentInfo, ReadsTheDeclarationsPseudoAttributes) {
  struct Case {
    const char* doc;
    std::int32_t selector;
    std::optional<std::string> expected;
  };
  const char* full = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><a/>";
  const Case cases[] = {
      {full, xdiVersion, "1.0"},
      {full, xdiEncoding, "UTF-8"},
      {full, xdiStandalone, "yes"},
      {full, 3, std::nullopt},
      {full, -1, std::nullopt},
      {"<?xml version=\"1.1\"?><a/>", xdiEncoding, std::nullopt},
      {"<?xml version=\"1.1\"?><a/>", xdiVersion, "1.1"},
      {"<a/>", xdiVersion, std::nullopt},
      {"<!--c--><a/>", xdiVersion, std::nullopt},
  };
  for (const Case& c : cases) {
    CGoXML xml;
    xml.Initialize(99);
    ASSERT_TRUE(xml.OpenFromString(c.doc)) << c.doc;
    EXPECT_EQ(xml.XMLDocumentInfo(c.selector), c.expected) << c.doc << " " << c.selector;
  }
}

}  // namespace
}  // namespace corvane
