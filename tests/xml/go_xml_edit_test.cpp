// Edits with their success and failure cases, Reparse and Save.
#include <gtest/gtest.h>

#include "xml/go_xml.h"
#include "xml_test_support.h"

namespace corvane {
namespace {

using testing::kObservationXml;
using testing::RecordingMessageBoxes;
using testing::TempDir;

constexpr const char* kPoints = "/Corvane/Observation/Point";
constexpr const char* kFirst = "/Corvane/Observation/Point[0]";

class GoXmlEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    xml.Initialize(99);
    ASSERT_TRUE(xml.OpenFromString(kObservationXml));
  }
  // Runs an edit that must fail and checks that it changed nothing.
  template <typename Edit>
  void ExpectRefused(Edit edit, const char* what) {
    const std::string before = xml.XML();
    EXPECT_FALSE(edit()) << what;
    EXPECT_EQ(xml.XML(), before) << what;
  }
  RecordingMessageBoxes boxes;
  CGoXML xml{&boxes};
};

TEST_F(GoXmlEdit, EveryEditFailsWithoutMatchOrQueryOrDocument) {
  CGoXML empty;
  const std::string before = xml.XML();
  for (const char* query : {"/Corvane/Missing", "/Corvane/[", "count(//*)"}) {
    for (CGoXML* target : {&xml, &empty}) {
      const auto edits = {target->DeleteNode(query),
                          target->WriteNode(query, "v"),
                          target->WriteAttribute(query, "a", "v"),
                          target->DeleteAttribute(query, "a"),
                          target->WriteCDataSection(query, "v"),
                          target->InsertNode(query, "n", "v", "a", "v"),
                          target->InsertNode(query, "n", "v", "a", "v", norChild)};
      for (bool answered : edits) EXPECT_FALSE(answered) << query;
    }
  }
  EXPECT_EQ(xml.XML(), before);
  EXPECT_FALSE(empty.Reparse());
}

TEST_F(GoXmlEdit, DeleteNodeRemovesTheFirstMatchWithItsSubtree) {
  EXPECT_TRUE(xml.DeleteNode("//Point[@Active='0']"));
  EXPECT_EQ(xml.NodeCount(kPoints), 2);
  EXPECT_EQ(xml.ReadNode("/Corvane/Observation/Point[1]/Name"), "third");
  EXPECT_EQ(xml.NodeCount("//Empty"), 0);
  ExpectRefused([&] { return xml.DeleteNode("//Point/@Active"); }, "attribute");
  EXPECT_TRUE(xml.DeleteNode("/Corvane"));
  EXPECT_EQ(xml.NodeCount("/Corvane"), -1);
  EXPECT_EQ(xml.ReadNode("/Corvane/Name"), "");
}

TEST_F(GoXmlEdit, WriteNodeReplacesContentByText) {
  EXPECT_TRUE(xml.WriteNode(kFirst, "a<b"));
  EXPECT_EQ(xml.ReadNodeXML(kFirst), "<Point Active=\"1\" Mode=\"copy\">a&lt;b</Point>");
  EXPECT_TRUE(xml.WriteNode("/Corvane/Name", 42));
  EXPECT_EQ(xml.ReadNode("/Corvane/Name"), "42");
  EXPECT_TRUE(xml.WriteNode("/Corvane/Name", false));
  EXPECT_EQ(xml.ReadNode("/Corvane/Name"), "false");
  EXPECT_TRUE(xml.WriteNode("/Corvane/Name", 0.1));
  EXPECT_EQ(xml.ReadNode("/Corvane/Name"), "0.1");
  EXPECT_TRUE(xml.WriteNode("//Point/@Mode", "move"));
  EXPECT_EQ(xml.ReadAttribute(kFirst, "Mode"), "move");
  EXPECT_TRUE(xml.WriteNode("/Corvane/Name", ""));
  EXPECT_EQ(xml.ReadNodeXML("/Corvane/Name"), "<Name/>");
}

TEST_F(GoXmlEdit, WriteAttributeCreatesOrOverwrites) {
  EXPECT_TRUE(xml.WriteAttribute(kFirst, "Mode", "move"));
  EXPECT_TRUE(xml.WriteAttribute(kFirst, "Delay", 30));
  EXPECT_EQ(xml.ReadAttribute(kFirst, "Mode"), "move");
  EXPECT_EQ(xml.ReadAttribute(kFirst, "Delay"), "30");
  ExpectRefused([&] { return xml.WriteAttribute(kFirst, "1bad", "v"); }, "invalid name");
  ExpectRefused([&] { return xml.WriteAttribute(kFirst, "", "v"); }, "empty name");
  ExpectRefused([&] { return xml.WriteAttribute("//@Mode", "x", "v"); }, "attribute match");
}

TEST_F(GoXmlEdit, DeleteAttributeRemovesItAndToleratesItsAbsence) {
  EXPECT_TRUE(xml.DeleteAttribute(kFirst, "Mode"));
  EXPECT_EQ(xml.ReadNodeXML(kFirst + std::string("/..")).find("Mode"), std::string::npos);
  EXPECT_TRUE(xml.DeleteAttribute(kFirst, "Mode"));
  EXPECT_EQ(xml.ReadAttribute(kFirst, "Active"), "1");
  ExpectRefused([&] { return xml.DeleteAttribute("//@Active", "Active"); }, "attribute match");
}

TEST_F(GoXmlEdit, WriteCDataSectionMakesTheOnlyChildACDataSection) {
  const std::string empty = "//Point[1]/Empty";
  EXPECT_TRUE(xml.WriteCDataSection(empty, "one"));
  EXPECT_EQ(xml.ReadNodeXML(empty), "<Empty><![CDATA[one]]></Empty>");
  EXPECT_TRUE(xml.WriteCDataSection(empty, "two"));
  EXPECT_EQ(xml.ReadNodeXML(empty), "<Empty><![CDATA[two]]></Empty>");
  EXPECT_TRUE(xml.WriteCDataSection("/Corvane/Name", "<x>"));
  EXPECT_EQ(xml.ReadNodeXML("/Corvane/Name"), "<Name><![CDATA[<x>]]></Name>");
  EXPECT_EQ(xml.ReadNode("/Corvane/Name"), "<x>");
  ExpectRefused([&] { return xml.WriteCDataSection(kFirst, "v"); }, "two children");
  ExpectRefused([&] { return xml.WriteCDataSection("//@Mode", "v"); }, "attribute match");
}

TEST_F(GoXmlEdit, InsertNodeAppendsAfterAllSiblingsOrAsLastChild) {
  EXPECT_TRUE(xml.InsertNode(kFirst, "Point", "new", "Active", 1));
  EXPECT_EQ(xml.NodeCount(kPoints), 4);
  EXPECT_EQ(xml.ReadNodeXML("/Corvane/Observation/*[3]"), "<Point Active=\"1\">new</Point>");
  EXPECT_TRUE(xml.InsertNode(kFirst, "Pattern", "*.txt", std::nullopt, std::nullopt, norChild));
  EXPECT_EQ(xml.ReadNode(kFirst + std::string("/*[last()]")), "*.txt");
  EXPECT_TRUE(xml.InsertNode("/Corvane/Name", "Bare"));
  EXPECT_EQ(xml.ReadNodeXML("/Corvane/*[last()]"), "<Bare/>");

  ExpectRefused([&] { return xml.InsertNode(kFirst, "X", "v", "a", "v", 2); }, "relation 2");
  ExpectRefused([&] { return xml.InsertNode("/Corvane", "Second"); }, "second root");
  ExpectRefused([&] { return xml.InsertNode(kFirst, "1bad"); }, "invalid name");
  ExpectRefused([&] { return xml.InsertNode("//@Mode", "X", {}, {}, {}, norChild); }, "attr");
}

TEST_F(GoXmlEdit, InsertNodeWithoutAttributeNameFailsAfterInserting) {
  EXPECT_FALSE(xml.InsertNode(kFirst, "Late", "v", std::nullopt, "orphan"));
  EXPECT_EQ(xml.ReadNodeXML("//Late"), "<Late>v</Late>");
}

TEST_F(GoXmlEdit, ReparseChecksThatTheTextParsesAgain) {
  const std::string before = xml.XML();
  EXPECT_TRUE(xml.Reparse());
  EXPECT_EQ(xml.XML(), before);

  // Text that would end its node early is written so that it still parses.
  ASSERT_TRUE(xml.OpenFromString("<a><!--c--><?p d?><![CDATA[x]]></a>"));
  EXPECT_TRUE(xml.WriteNode("/a/comment()", "x-->y"));
  EXPECT_TRUE(xml.WriteNode("/a/processing-instruction()", "x?>y"));
  EXPECT_TRUE(xml.Reparse());
  EXPECT_TRUE(xml.DeleteNode("/a/comment()"));
  EXPECT_TRUE(xml.DeleteNode("/a/processing-instruction()"));
  EXPECT_TRUE(xml.WriteCDataSection("/a", "x]]>y"));
  EXPECT_TRUE(xml.Reparse());
  EXPECT_EQ(xml.ReadNode("/a"), "x]]>y");
  EXPECT_TRUE(xml.DeleteNode("/a"));
  EXPECT_FALSE(xml.Reparse());  // no root element left
}

TEST_F(GoXmlEdit, SaveWritesAFileThatLoadsBack) {
  TempDir dir;
  ASSERT_TRUE(xml.WriteNode("/Corvane/Name", "saved"));
  ASSERT_TRUE(xml.Save(dir.File("out.xml")));
  CGoXML again;
  again.Initialize(99);
  ASSERT_TRUE(again.OpenFromFile(dir.File("out.xml")));
  EXPECT_EQ(again.XML(), xml.XML());
  EXPECT_EQ(again.ReadNode("/Corvane/Name"), "saved");
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(GoXmlEdit, SaveKeepsTheDeclaredEncoding) {
  TempDir dir;
  ASSERT_TRUE(xml.OpenFromFile(
      dir.Write("in.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xe9</a>")));
  ASSERT_TRUE(xml.Save(dir.File("latin1.xml")));
  EXPECT_EQ(testing::ReadBytes(dir.File("latin1.xml")),
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xe9</a>");

  ASSERT_TRUE(xml.OpenFromString("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xc3\xa9</a>"));
  ASSERT_TRUE(xml.Save(dir.File("utf16.xml")));
  const std::string bytes = testing::ReadBytes(dir.File("utf16.xml"));
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xff\xfe<\0", 4));
  ASSERT_TRUE(xml.OpenFromFile(dir.File("utf16.xml")));
  EXPECT_EQ(xml.ReadNode("/a"), "\xc3\xa9");
}

TEST_F(GoXmlEdit, SaveToAMissingFolderShowsTheErrorAndFails) {
  TempDir dir;
  const std::string before = xml.XML();
  EXPECT_FALSE(xml.Save(dir.File("no-such-folder/out.xml")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].title, "Corvane CGoXML.Save()");
  EXPECT_EQ(boxes.shown[0].text, "Error 2 - No such file or directory");
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Stop);
  EXPECT_EQ(xml.XML(), before);

  CGoXML empty(&boxes);
  EXPECT_FALSE(empty.Save(dir.File("out.xml")));
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));
}

}  // namespace
}  // namespace corvane
