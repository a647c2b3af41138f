#include <QElapsedTimer>
#include <climits>
#include <functional>
#include <stdexcept>

#include "list_box_fixture.h"
#include "listctl/log_feed.h"

namespace corvane {
namespace {

using ItemsTest = test::ListBoxTest;

TEST_F(ItemsTest, AddRemoveAndSelect) {
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.Text(), "");
  AddItems(3);
  box.AddItem("new first", 0, -1, false, true);
  box.AddItem("new last", -1, 4, true, true);
  EXPECT_EQ(Texts(), QStringList({"new first", "item 0", "item 1", "item 2", "new last"}));
  EXPECT_EQ(box.ListIcon(4), 4);
  EXPECT_TRUE(box.ListBold(4));
  box.SetListIndex(1);
  box.SetListIndex(7);  // ignored
  box.Remove(-1);       // the current item
  EXPECT_EQ(Texts(), QStringList({"new first", "item 1", "item 2", "new last"}));
  EXPECT_EQ(box.Text(), "item 1");
  box.SelectAll();
  box.ClearSelection();
  EXPECT_EQ(Selected(), std::vector<int>({1})) << "the current item stays selected";
  box.Clear();
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.SelCount(), 0);
}

TEST_F(ItemsTest, InvalidArgumentsThrowAndLeaveTheListUnchanged) {
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"ListIcon(-1)", [&] { (void)box.ListIcon(-1); }},
      {"SetListBold(-2)", [&] { box.SetListBold(-2, true); }},
      {"Remove(count)", [&] { box.Remove(3); }},
      {"SelItem(SelCount)", [&] { (void)box.SelItem(box.SelCount()); }},
      {"AddItem at count", [&] { box.AddItem("x", 3, -1, false, true); }},
      {"AddItem at -2", [&] { box.AddItem("x", -2, -1, false, true); }},
  };
  AddItems(3);
  box.SetListIndex(1);
  for (const auto& [name, call] : calls) {
    EXPECT_THROW(call(), std::out_of_range) << name;
    EXPECT_EQ(Texts(), QStringList({"item 0", "item 1", "item 2"})) << name;
    EXPECT_EQ(Selected(), std::vector<int>({1})) << name;
  }
  box.Clear();
  EXPECT_THROW(box.Remove(-1), std::out_of_range) << "no current item in an empty list";
}

TEST_F(ItemsTest, SortOrderSortsStablyByTheWholeRecordIgnoringCase) {
  struct Case {
    QStringList input;
    int order;
    QStringList expected;
  } const cases[] = {
      {{"b", "A", "c"}, -1, {"A", "b", "c"}},
      {{"b", "A", "c"}, 1, {"c", "b", "A"}},
      {{"b", "A", "c"}, 2, {"b", "A", "c"}},
      // The record puts "<%S%>" after the text: "a" sorts after "a!".
      {{"a", "a!"}, -1, {"a!", "a"}},
      {{"x", "B", "b", "X"}, -1, {"B", "b", "x", "X"}},
  };
  for (const Case& c : cases) {
    box.SetSortOrder(0);
    box.Clear();
    for (const QString& text : c.input) box.AddItem(text, -1, -1, false, false);
    box.SetSortOrder(c.order);
    EXPECT_EQ(Texts(), c.expected) << c.input.join(',').toStdString() << " order " << c.order;
  }
}

TEST_F(ItemsTest, BurstOfAdditionsGivesOneDeferredRefresh) {
  int refreshes = 0;
  QObject::connect(&box, &McListBox::Refreshed, [&] { ++refreshes; });
  for (int i = 0; i < 100; ++i) box.AddItem(QString::number(i), -1, -1, false, false);
  EXPECT_EQ(refreshes, 0);
  QElapsedTimer clock;
  clock.start();
  while (refreshes == 0 && clock.elapsed() < 20000) QApplication::processEvents();
  const qint64 settleUntil = clock.elapsed() + 200;  // room for a second, wrong refresh
  while (clock.elapsed() < settleUntil) QApplication::processEvents();
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(VBar().maximum(), 100 - box.VisibleRows());
}

class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST_F(ItemsTest, BurstOfLogLinesIsPaintedOnce) {
  PaintCounter counter;
  box.viewport()->installEventFilter(&counter);
  for (int i = 0; i < 10000; ++i) AppendLogLine(box, QString::number(i), false, 0);
  Shot();
  EXPECT_GE(counter.paints, 1);
  EXPECT_LE(counter.paints, 3);
  EXPECT_EQ(VBar().value(), 10000 - box.VisibleRows()) << "following the end";
}

TEST_F(ItemsTest, CappedLogDropsTheOldestLines) {
  for (int i = 0; i < 250; ++i) AppendLogLine(box, "line " + QString::number(i), false, 100);
  EXPECT_EQ(box.ListCount(), 100);
  EXPECT_EQ(box.List(0), "line 150");
  EXPECT_EQ(box.List(99), "line 249");
  EXPECT_EQ(VBar().value(), 100 - box.VisibleRows());
}

TEST_F(ItemsTest, RemovingOldestKeepsTheViewAndSelectionOnTheSameRows) {
  box.SetRowHeight(10);  // 10 rows
  AddItems(50);
  box.SetListIndex(25);
  box.SelectItem(3);
  box.SelectItem(12);
  VBar().setValue(20);
  box.RemoveOldest(10);
  EXPECT_EQ(box.List(0), "item 10");
  EXPECT_EQ(VBar().value(), 10);
  EXPECT_EQ(box.Text(), "item 25");
  EXPECT_EQ(Selected(), std::vector<int>({15, 2})) << "item 3 went, the rest renumbered";
}

TEST_F(ItemsTest, HostileTextsDrawWithoutHarmAndStayOneField) {
  const QString texts[] = {
      QStringLiteral("copied a<%S%>7<%S%>True.txt"),
      QStringLiteral("a&b && &"),
      QStringLiteral("tab\there\t\t"),
      QString::fromUtf8("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d abc \xd8\xb9\xd8\xb1\xd8\xa8\xd9\x8a"),
      QString(QChar(0xD800)) + "lone high" + QChar(0xDC00) + QChar(0xDFFF),
      QString(),
  };
  box.SetTextAlignment(0x8000 | 0x20 | 0x4);
  for (const QString& t : texts) box.AddItem(t, -1, -1, false, true);
  box.SelectAll();
  EXPECT_FALSE(Shot().isNull());
  for (int i = 0; i < box.ListCount(); ++i) {
    EXPECT_EQ(box.List(i), texts[i]) << i;
    EXPECT_EQ(box.ListIcon(i), -1) << i;
    EXPECT_FALSE(box.ListBold(i)) << i;
  }
}

TEST_F(ItemsTest, DegenerateSizesAndRowHeights) {
  AddItems(5);
  box.SetGridLines(true);
  for (QSize size : {QSize(0, 0), QSize(-5, -5), QSize(1, 1), QSize(300, 0)}) {
    Resize(size.width(), size.height());
    Shot();
    EXPECT_GE(box.VisibleRows(), 1);
  }
  Resize(200, 100);
  for (int height : {0, -7, INT_MIN, INT_MAX}) {
    box.SetRowHeight(height);
    Shot();
    EXPECT_GT(box.RowHeight(), 0) << height;
    EXPECT_GE(box.VisibleRows(), 1) << height;
  }
  EXPECT_EQ(box.VisibleRows(), 1) << "a huge row height leaves one row";
}

}  // namespace
}  // namespace corvane
