// Parser choice and loading: from a file and from text, failures, the
// parse-error report, and hostile documents.
#include <gtest/gtest.h>

#include "xml/go_xml.h"
#include "xml_test_support.h"

namespace corvane {
namespace {

using std::string_literals::operator""s;
using testing::kObservationXml;
using testing::RecordingMessageBoxes;
using testing::TempDir;

std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += {c, '\0'};
  return out;
}

TEST(GoXmlParserChoice, VersionsOneToFourAreAvailableAndBestIsFour) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {{99, 4}, {1, 1}, {2, 2},  {3, 3}, {4, 4},
                                                         {0, 0},  {5, 0}, {-1, 0}, {98, 0}};
  for (const auto& [requested, expected] : cases) {
    CGoXML xml;
    EXPECT_EQ(xml.Initialize(requested), expected) << requested;
    EXPECT_EQ(xml.XMLParserVersion(), expected) << requested;
  }
}

TEST(GoXmlParserChoice, LoadingWithoutParserThrowsAndDropsTheDocument) {
  CGoXML never;
  EXPECT_THROW(never.OpenFromString(kObservationXml), XmlParserUnavailable);
  EXPECT_THROW(never.OpenFromFile("whatever.xml"), XmlParserUnavailable);

  CGoXML xml;
  xml.Initialize(4);
  ASSERT_TRUE(xml.OpenFromString(kObservationXml));
  EXPECT_EQ(xml.Initialize(5), 0);
  EXPECT_THROW(xml.OpenFromString(kObservationXml), XmlParserUnavailable);
  EXPECT_EQ(xml.NodeCount("/Corvane"), -1);
}

TEST(GoXmlLoading, FileAndTextGiveTheSameDocument) {
  TempDir dir;
  CGoXML fromFile, fromText;
  fromFile.Initialize(99);
  fromText.Initialize(1);
  ASSERT_TRUE(fromFile.OpenFromFile(dir.Write("config.xml", kObservationXml)));
  ASSERT_TRUE(fromText.OpenFromString(kObservationXml));
  EXPECT_EQ(fromFile.ReadNode("/Corvane/Name"), "Inbox");
  EXPECT_EQ(fromFile.XML(), fromText.XML());
}

TEST(GoXmlLoading, FailedLoadLeavesNoDocument) {
  TempDir dir;
  RecordingMessageBoxes boxes;
  CGoXML xml(&boxes);
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromString(kObservationXml));
  EXPECT_FALSE(xml.OpenFromFile(dir.File("missing.xml")));
  EXPECT_EQ(xml.NodeCount("/Corvane"), -1);
  EXPECT_EQ(xml.ReadNode("/Corvane/Name"), "");
  EXPECT_EQ(xml.XMLDocumentInfo(xdiVersion), std::nullopt);
  EXPECT_THROW(xml.XML(), XmlDocumentMissing);
  EXPECT_TRUE(boxes.shown.empty());  // not verbose: no report
}

struct Input {
  const char* name;
  std::string bytes;
  bool loads;
  const char* query;
  std::string text;
};

// Every document is loaded from a file; each either loads and reads what its
// DOM holds, or is refused, without a crash or hang.
TEST(GoXmlLoading, HostileFilesLoadOrFailCleanly) {
  const std::string utf16Decl = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
  const Input cases[] = {
      {"malformed", "<a><b></a>", false, "", ""},
      {"empty", "", false, "", ""},
      {"only a declaration", "<?xml version=\"1.0\"?>", false, "", ""},
      {"two roots", "<a/><b/>", true, "/a", ""},
      {"utf-8 BOM", "\xef\xbb\xbf<a>x</a>", true, "/a", "x"},
      {"utf-16 BOM", "\xff\xfe" + Utf16Le(utf16Decl + "<a>\xe9</a>"), true, "/a", "\xc3\xa9"},
      {"utf-16 no BOM", Utf16Le(utf16Decl + "<a>t</a>"), true, "/a", "t"},
      {"latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xe9</a>", true, "/a",
       "caf\xc3\xa9"},
      {"entities", "<a b=\"&quot;\">&lt;&amp;&#233;&#x41;</a>", true, "/a",
       "<&\xc3\xa9"
       "A"},
      {"attribute entity", "<a b=\"&quot;&#65;\"/>", true, "/a/@b", "\"A"},
      {"undeclared entity kept", "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", true, "/a", "&e;"},
      {"mixed nodes", "<a><!--c--><b>1</b><?p x?><![CDATA[<2>]]>\n<b>3</b></a>", true, "/a",
       "1<2>3"},
      {"comments are nodes", "<a><!--c--><b>1</b><?p x?></a>", true, "/a/node()[2]", "x"},
      {"NUL inside", "<a>x\0y</a>"s, false, "", ""},
  };
  TempDir dir;
  for (const Input& c : cases) {
    CGoXML xml;
    xml.Initialize(99);
    EXPECT_EQ(xml.OpenFromFile(dir.Write("in.xml", c.bytes)), c.loads) << c.name;
    if (c.loads) {
      EXPECT_EQ(xml.ReadNode(c.query), c.text) << c.name;
    }
  }
}

TEST(GoXmlLoading, UnreadablePathsFail) {
  TempDir dir;
  CGoXML xml;
  xml.Initialize(99);
  EXPECT_FALSE(xml.OpenFromFile(dir.File("")));  // a directory
  EXPECT_FALSE(xml.OpenFromFile(""));
  EXPECT_FALSE(xml.OpenFromFile(dir.File("no/such/file.xml")));
}

TEST(GoXmlParseErrorReport, ShowsCodeReasonPositionAndLine) {
  RecordingMessageBoxes boxes;
  CGoXML xml(&boxes);
  xml.Initialize(99);
  EXPECT_FALSE(xml.OpenFromString("<a>\n  <b x=1/>\n</a>", true));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Corvane CGoXML.DisplayParseError()");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(
      boxes.shown[0].text,
      "Error loading XML\r\n\r\n12\r\nError parsing element attributeLine 2, Position 8\r\n\r\n"
      "  <b x=1/>\r\n");
}

TEST(GoXmlParseErrorReport, LocatesErrorsInUtf16FilesAndMissingFiles) {
  TempDir dir;
  RecordingMessageBoxes boxes;
  CGoXML xml(&boxes);
  xml.Initialize(99);
  const std::string bytes = "\xff\xfe" + Utf16Le("<a>\n<\xe9\xe9 x=1/></a>");
  EXPECT_FALSE(xml.OpenFromFile(dir.Write("utf16.xml", bytes), true));
  EXPECT_FALSE(xml.OpenFromFile(dir.File("missing.xml"), true));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_NE(boxes.shown[0].text.find("Line 2, Position 7\r\n\r\n<\xc3\xa9\xc3\xa9 x=1/></a>\r\n"),
            std::string::npos)
      << boxes.shown[0].text;
  EXPECT_EQ(boxes.shown[1].text,
            "Error loading XML\r\n\r\n1\r\nFile was not foundLine 0, Position 0\r\n\r\n\r\n");
}

std::string Nested(std::size_t depth) {
  std::string doc;
  for (std::size_t i = 0; i < depth; ++i) doc += "<a>";
  doc += "x";
  for (std::size_t i = 0; i < depth; ++i) doc += "</a>";
  return doc;
}

TEST(GoXmlHostileDocuments, HundredThousandLevelsDeep) {
  const std::size_t depth = 100000;
  const std::string doc = Nested(depth);
  TempDir dir;
  CGoXML xml;
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromFile(dir.Write("deep.xml", doc)));
  EXPECT_EQ(xml.NodeCount("//a"), static_cast<std::int32_t>(depth));
  EXPECT_EQ(xml.NodeCount("(//a)[last()]/ancestor::*"), static_cast<std::int32_t>(depth - 1));
  EXPECT_EQ(xml.ReadNode("/a"), "x");
  EXPECT_EQ(xml.ReadNodeXML("/a"), doc);
  EXPECT_EQ(xml.XML(), doc);
  EXPECT_TRUE(xml.Reparse());
  EXPECT_TRUE(xml.Save(dir.File("saved.xml")));
  EXPECT_EQ(testing::ReadBytes(dir.File("saved.xml")), doc);
}

// pugixml frees a removed subtree with one stack frame per level; at this
// depth that would overflow the stack.
TEST(GoXmlHostileDocuments, EditsTakeApartAMillionLevels) {
  const std::string doc = Nested(1000000);
  CGoXML xml;
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromString(doc));
  EXPECT_TRUE(xml.WriteCDataSection("/a/a", "c"));
  EXPECT_EQ(xml.XML(), "<a><a><![CDATA[c]]></a></a>");
  ASSERT_TRUE(xml.OpenFromString(doc));
  EXPECT_TRUE(xml.WriteNode("/a", "t"));
  EXPECT_EQ(xml.XML(), "<a>t</a>");
  ASSERT_TRUE(xml.OpenFromString(doc));
  EXPECT_TRUE(xml.DeleteNode("/a/a"));
  EXPECT_EQ(xml.XML(), "<a/>");
}

TEST(GoXmlHostileDocuments, DeeplyNestedQueriesAreRefused) {
  CGoXML xml;
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromString(kObservationXml));
  const std::size_t depth = 100000;
  EXPECT_EQ(xml.NodeCount(std::string(depth, '(') + "/Corvane" + std::string(depth, ')')), -1);
  std::string nested = "/Corvane";
  for (std::size_t i = 0; i < depth; ++i) nested += "[a";
  EXPECT_EQ(xml.NodeCount(nested + std::string(depth, ']')), -1);
}

TEST(GoXmlHostileDocuments, FiftyMegabyteFile) {
  const std::string point =
      "<Point Active=\"1\"><Name>point</Name><Pattern>*.txt</Pattern></Point>";
  const std::size_t count = 50 * 1024 * 1024 / point.size() + 1;
  std::string doc = "<Corvane><Observation>";
  doc.reserve(count * point.size() + 64);
  for (std::size_t i = 0; i < count; ++i) doc += point;
  doc += "<Point><Name>last</Name></Point></Observation></Corvane>";
  TempDir dir;
  CGoXML xml;
  xml.Initialize(99);
  ASSERT_TRUE(xml.OpenFromFile(dir.Write("big.xml", doc)));
  doc.clear();
  EXPECT_EQ(xml.NodeCount("/Corvane/Observation/Point"), static_cast<std::int32_t>(count + 1));
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[" + std::to_string(count) + "]/Name"), "last");
}

}  // namespace
}  // namespace corvane
