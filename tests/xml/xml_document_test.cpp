#include "xml/xml_document.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "xml/child_path.h"
#include "xml/node_query.h"
#include "xml/xpath_positions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace corvane {
namespace {

using std::string_literals::operator""s;

const char* const kDoc =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Corvane>\n  <Name>Inbox</Name>\n"
    "  <Observation>\n"
    "    <Point Active=\"1\" Mode=\"copy\"><Name>first</Name><Interval>5</Interval></Point>\n"
    "    <Point Active=\"0\"><Name>second</Name><Empty/></Point>\n"
    "    <Point><Name>third</Name></Point>\n  </Observation>\n</Corvane>\n";

constexpr const char* kFirst = "/Corvane/Observation/Point[0]";

class XmlDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xml.Initialize(99);
    ASSERT_TRUE(xml.OpenFromString(kDoc));
  }
  XmlDocument xml;
  test::TempDir dir;
};

// A load that fails, even by a throw, leaves no document behind.
TEST(XmlDocumentLoading, WithoutAParserOrAfterAFailedLoadThereIsNoDocument) {
  test::TempDir dir;
  XmlDocument xml;
  EXPECT_THROW(xml.OpenFromFile(dir.Write("config.xml", kDoc)), XmlParserUnavailable);
  xml.Initialize(4);
  ASSERT_TRUE(xml.OpenFromFile(dir.File("config.xml")));
  // The report holds the code, the reason, the position and the line.
  EXPECT_FALSE(xml.OpenFromString("<a>\n  <b x=1/>\n</a>"));
  EXPECT_EQ(xml.LastParseReport(),
            "Error loading XML\r\n\r\n12\r\nError parsing element attributeLine 2, "
            "Position 8\r\n\r\n  <b x=1/>\r\n");
  EXPECT_EQ(xml.NodeCount("/Corvane"), -1);
  ASSERT_TRUE(xml.OpenFromString(kDoc));
  EXPECT_THROW(xml.Initialize(5) || xml.OpenFromString(kDoc), XmlParserUnavailable);
  EXPECT_EQ(xml.ReadNode(kFirst) + xml.ReadNodeXML(kFirst) + xml.ReadAttribute(kFirst, "Mode"), "");
  EXPECT_EQ(xml.XMLDocumentInfo(DeclarationPart::Version), std::nullopt);
  EXPECT_THROW(xml.XML(), XmlDocumentMissing);
}

TEST_F(XmlDocumentTest, FilesLoadInEveryEncoding) {
  const std::tuple<std::string, const char*, std::string> cases[] = {
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xe9</a>", "/a", "caf\xc3\xa9"},
      {"<a b=\"&quot;&#65;\">&lt;&amp;&#233;</a>", "/a/@b", "\"A"},
      {"<a><!--c--><b>1</b><?p x?><![CDATA[<2>]]></a>", "/a", "1<2>"},
  };
  // A load that fails leaves no document, whose text reads as "".
  for (const auto& [in, query, text] : cases)
    EXPECT_EQ(xml.OpenFromFile(dir.Write("in.xml", in)) ? xml.ReadNode(query) : "", text) << in;
}

TEST_F(XmlDocumentTest, HostileDocumentsDeepNestingAndDeepQueries) {
  std::string open, close, steps;  // a hundred thousand deep
  for (int i = 0; i < 100000; ++i) open += "<a>", close += "</a>", steps += "[a";
  const std::string deep = open + "x" + close;
  ASSERT_TRUE(xml.OpenFromFile(dir.Write("deep.xml", deep)));
  EXPECT_EQ((std::pair{xml.NodeCount("//a"), xml.Reparse()}), std::pair(100000, true));
  EXPECT_TRUE(xml.Save(dir.File("saved.xml")) && test::ReadFile(dir.File("saved.xml")) == deep);
  EXPECT_EQ(xml.NodeCount(std::string(100000, '(') + "/a" + std::string(100000, ')')), -1);
  EXPECT_EQ(xml.NodeCount("/a" + steps + std::string(100000, ']')), -1);
}

TEST_F(XmlDocumentTest, ReadsAnswerTheFirstMatchOrFailureValues) {
  const std::tuple<std::string, std::int32_t, const char*, const char*> cases[] = {
      {"/Corvane/Observation/Point", 3, "first5",
       "<Point Active=\"1\" Mode=\"copy\"><Name>first</Name><Interval>5</Interval></Point>"},
      {"Observation/Point/Name", 3, "first", "<Name>first</Name>"},  // relative to the root
      {"//Point/@Active", 2, "1", "Active=\"1\""},
      {"//Point/Empty", 1, "", "<Empty/>"},
      {"/Corvane/Missing", 0, "", ""},
      {"count(/Corvane)", -1, "", ""},
      {"/Corvane\0/Name"s, -1, "", ""},
      // Positions count from 0, in every step.
      {"/Corvane[0]/Observation[0]/Point[2]/Name[0]", 1, "third", "<Name>third</Name>"},
  };
  for (const auto& [query, count, text, markup] : cases)
    EXPECT_EQ(std::tuple(xml.NodeCount(query), xml.ReadNode(query), xml.ReadNodeXML(query)),
              std::tuple(count, text, markup))
        << query;
  EXPECT_EQ(xml.ReadAttribute("//Point[Name='second']", "Active"), "0");
  EXPECT_EQ(xml.ReadAttribute("//Point/@Active", "Active"), "");  // an attribute has none
  // The declaration's pseudo-attributes; one it lacks is absent, not empty.
  EXPECT_EQ(xml.XMLDocumentInfo(DeclarationPart::Encoding), "UTF-8");
  EXPECT_EQ(xml.XMLDocumentInfo(DeclarationPart::Standalone), std::nullopt);
}

// The editing operations are the class's public interface: each changes the
// first match only, refuses what would write unreadable markup, and leaves the
// document as it was when it fails. The query is read before the edit as
// well, so that a short cut remembered then must not outlive the edit.
#define EDIT(call) #call, [](XmlDocument & x) { return x.call; }
TEST_F(XmlDocumentTest, EachEditChangesTheFirstMatchOrNothing) {
  const struct {
    const char* name;
    bool (*edit)(XmlDocument&);
    const char* query = nullptr;  // none: the edit fails
    const char* markup = "";
  } cases[] = {
      {EDIT(DeleteNode("//Point[@Active='0']")), "/Corvane/Observation/Point[1]",
       "<Point><Name>third</Name></Point>"},
      {EDIT(WriteNode(kFirst, "a<b")), kFirst, "<Point Active=\"1\" Mode=\"copy\">a&lt;b</Point>"},
      {EDIT(WriteAttribute(kFirst, "Mode", "move")), "//@Mode", "Mode=\"move\""},
      {EDIT(DeleteAttribute(kFirst, "Mode")), "//@Mode", ""},
      {EDIT(WriteCDataSection("//Empty", "one") && x.WriteCDataSection("//Empty", "two")),
       "//Empty", "<Empty><![CDATA[two]]></Empty>"},
      {EDIT(InsertNode(kFirst, "Point", "new", "Active", 1)), "/Corvane/Observation/Point[3]",
       "<Point Active=\"1\">new</Point>"},
      // Failures; kFirst has two children, no text to turn into a section.
      // clang-format off
      {EDIT(DeleteNode("/Corvane/Missing"))}, {EDIT(WriteAttribute(kFirst, "1bad", "v"))},
      {EDIT(WriteCDataSection(kFirst, "v"))}, {EDIT(InsertNode(kFirst, "1bad"))},
  };  // clang-format on
  for (const auto& c : cases) {
    ASSERT_TRUE(xml.OpenFromString(kDoc));
    const std::string before = xml.XML();
    xml.ReadNodeXML(c.query ? c.query : kFirst);  // a short cut remembered
    EXPECT_EQ(c.edit(xml), c.query != nullptr) << c.name;
    EXPECT_EQ(c.query ? xml.ReadNodeXML(c.query) : xml.XML(), c.query ? c.markup : before)
        << c.name;
  }
}
#undef EDIT

// Text that would end its node early is written so that it still parses,
// and a saved document keeps its declared encoding and loads again.
TEST_F(XmlDocumentTest, EditedTextParsesAgainAndSavesInItsEncoding) {
  ASSERT_TRUE(xml.OpenFromString(
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a><!--c--><?p d?><b/>\xc3\xa9</a>"));
  EXPECT_TRUE(xml.WriteNode("/a/comment()", "x-->y"));
  EXPECT_TRUE(xml.WriteNode("/a/processing-instruction()", "x?>y"));
  EXPECT_TRUE(xml.WriteCDataSection("/a/b", "x]]>y"));
  const std::string saved = dir.File("utf16.xml");
  EXPECT_TRUE(xml.Save(saved) && test::ReadFile(saved).substr(0, 4) == "\xff\xfe<\0"s);
  EXPECT_EQ(xml.OpenFromFile(saved) ? xml.ReadNode("/a") : "", "x]]>y\xc3\xa9");
  EXPECT_FALSE(xml.Save(dir.File("no-such-folder/out.xml")));
  EXPECT_EQ(xml.LastSaveError(), "Error 2 - No such file or directory");
}

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
  // Not plain: left to XPath.
  for (const char* query :
       {"", "Corvane/Name", "//Point", "/a/*", "/a[last()]", "/a[1", "/a/text()", "/a[1234567890]"})
    EXPECT_FALSE(ParseChildPath(query)) << query;
  ChildPathFinder finder;
  for (const char* query :
       {"/Corvane/Observation/Point[0]", "/Corvane/Observation/Point[2]",
        "/Corvane/Observation/Point[3]", "/Corvane/Observation/Point[1]/Name",
        "/Corvane/Observation/Point[0]", "/Corvane/Observation/Point/Name",
        "/Corvane/Observation[2]/Point[0]/Name", "/Corvane/Observation[0]/Point[0]",
        "/Corvane/Name[1]", "/Other", "/Corvane[0]/Observation[2]"}) {
    const auto steps = ParseChildPath(query);
    ASSERT_TRUE(steps) << query;
    EXPECT_EQ(finder.FirstMatch(document, *steps),
              SelectFirstNode(document.document_element(), query).node())
        << query;
  }
}

// Any input that ever made the fuzzer fail belongs among the kept ones; the
// entry aborts on a fault.
TEST(GoXmlFuzzRegressions, EveryKeptInputRunsClean) {
  for (const char* folder : {CORVANE_FUZZ_REGRESSIONS, CORVANE_FUZZ_SEEDS}) {
    EXPECT_FALSE(std::filesystem::is_empty(folder)) << folder;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string bytes = test::ReadFile(entry.path().string());
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
  }
}

}  // namespace
}  // namespace corvane
