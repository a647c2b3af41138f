#include <QElapsedTimer>
#include <QPaintEvent>
#include <functional>
#include <stdexcept>

#include "list_box_fixture.h"
#include "listctl/log_feed.h"

namespace corvane {
namespace {

using test::kRed;
using test::kWhite;

class ItemsTest : public test::ListBoxTest {
 protected:
  QStringList Texts() const {
    QStringList texts;
    for (int i = 0; i < box.ListCount(); ++i) texts << box.List(i);
    return texts;
  }
};

TEST_F(ItemsTest, AddsAtTheEndOrBeforeAnIndex) {
  AddItems(3);
  box.AddItem("new first", 0, -1, false, true);
  box.AddItem("new last", -1, 4, true, true);
  EXPECT_EQ(Texts(), QStringList({"new first", "item 0", "item 1", "item 2", "new last"}));
  EXPECT_EQ(box.ListIcon(4), 4);
  EXPECT_TRUE(box.ListBold(4));
  EXPECT_FALSE(box.ListBold(0));
}

TEST_F(ItemsTest, FieldsStayApartWhateverTheTextHolds) {
  const QString tricky = QStringLiteral("copied a<%S%>7<%S%>True.txt");
  box.AddItem(tricky, -1, -1, false, true);
  EXPECT_EQ(box.List(0), tricky);
  EXPECT_EQ(box.ListIcon(0), -1);
  EXPECT_FALSE(box.ListBold(0));
  box.SetList(0, "renamed");
  box.SetListIcon(0, 3);
  box.SetListBold(0, true);
  EXPECT_EQ(box.List(0), "renamed");
  EXPECT_EQ(box.ListIcon(0), 3);
  EXPECT_TRUE(box.ListBold(0));
}

TEST_F(ItemsTest, ListIndexAndTextOfAnEmptyList) {
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.Text(), "");
  AddItems(3);
  box.SetListIndex(2);
  EXPECT_EQ(box.Text(), "item 2");
  box.SetListIndex(7);  // ignored
  EXPECT_EQ(box.ListIndex(), 2);
  EXPECT_EQ(box.List(3), "");
  EXPECT_EQ(box.List(-1), "");
  box.Clear();
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.SelCount(), 0);
}

TEST_F(ItemsTest, InvalidArgumentsThrowAndLeaveTheListUnchanged) {
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"ListIcon(-1)", [&] { (void)box.ListIcon(-1); }},
      {"ListIcon(count)", [&] { (void)box.ListIcon(3); }},
      {"SetListIcon(count)", [&] { box.SetListIcon(3, 1); }},
      {"ListBold(5)", [&] { (void)box.ListBold(5); }},
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
    EXPECT_EQ(box.SelCount(), 1) << name;
  }
  box.Clear();
  EXPECT_THROW(box.Remove(-1), std::out_of_range) << "no current item in an empty list";
}

TEST_F(ItemsTest, RemoveTakesTheCurrentItemAndKeepsSelectionIndexes) {
  AddItems(4);
  box.SetListIndex(1);
  box.SelectItem(3);
  box.Remove(-1);
  EXPECT_EQ(Texts(), QStringList({"item 0", "item 2", "item 3"}));
  ASSERT_EQ(box.SelCount(), 2);
  EXPECT_EQ(box.SelItem(1), 3) << "the selection is not renumbered";
}

TEST_F(ItemsTest, SelectionOperations) {
  AddItems(3);
  int changes = 0;
  QObject::connect(&box, &McListBox::SelChange, [&] { ++changes; });
  box.SelectAll();
  ASSERT_EQ(box.SelCount(), 3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(box.SelItem(k), k);
  box.SelectItem(1);  // already selected
  EXPECT_EQ(box.SelCount(), 3);
  box.ClearSelection(true);  // no event
  EXPECT_EQ(box.SelCount(), 0);
  box.SelectItem(2, true);  // deselecting an unselected item
  EXPECT_EQ(box.SelCount(), 0);
  box.SelectItem(9);  // no such item
  EXPECT_EQ(box.SelCount(), 0);
  box.ClearSelection();
  ASSERT_EQ(box.SelCount(), 1);
  EXPECT_EQ(box.SelItem(0), 0);
  EXPECT_EQ(changes, 5);
}

TEST_F(ItemsTest, RefreshSortsByTheSortOrder) {
  for (const char* t : {"b", "A", "c"}) box.AddItem(t, -1, -1, false, false);
  box.SetSortOrder(-1);
  EXPECT_EQ(Texts(), QStringList({"A", "b", "c"}));
  box.AddItem("a0", -1, -1, false, false);
  EXPECT_EQ(box.List(3), "a0") << "adding does not sort";
  box.SetSortOrder(1);
  // "A<%S%>..." sorts after "a0<%S%>...": the record, not the text alone.
  EXPECT_EQ(Texts(), QStringList({"c", "b", "A", "a0"}));
}

TEST_F(ItemsTest, BurstOfAdditionsGivesOneDeferredRefresh) {
  int refreshes = 0;
  QObject::connect(&box, &McListBox::Refreshed, [&] { ++refreshes; });
  for (int i = 0; i < 100; ++i) box.AddItem(QString::number(i), -1, -1, false, false);
  EXPECT_EQ(refreshes, 0);
  QElapsedTimer clock;
  clock.start();
  while (refreshes == 0 && clock.elapsed() < 10000) QApplication::processEvents();
  const qint64 settleUntil = clock.elapsed() + 100;
  while (clock.elapsed() < settleUntil) QApplication::processEvents();
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(VBar().maximum(), 100 - box.VisibleRows());
}

TEST_F(ItemsTest, WithoutAutoRefreshAdditionsWaitForTheNextRefresh) {
  box.SetAutoRefresh(false);
  int refreshes = 0;
  QObject::connect(&box, &McListBox::Refreshed, [&] { ++refreshes; });
  for (int i = 0; i < 20; ++i) box.AddItem(QString::number(i), -1, -1, false, false);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 100) QApplication::processEvents();
  EXPECT_EQ(refreshes, 0);
  EXPECT_EQ(VBar().maximum(), 0);
  box.SetAutoRefresh(true);
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(VBar().maximum(), 20 - box.VisibleRows());
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

TEST_F(ItemsTest, RemovingOldestKeepsTheViewOnTheSameRows) {
  box.SetRowHeight(10);  // 10 rows
  AddItems(50);
  box.SetListIndex(25);
  box.SelectItem(3);
  VBar().setValue(20);
  box.RemoveOldest(10);
  EXPECT_EQ(box.List(0), "item 10");
  EXPECT_EQ(VBar().value(), 10);
  EXPECT_EQ(box.ListIndex(), 15);
  EXPECT_EQ(box.Text(), "item 25");
  ASSERT_EQ(box.SelCount(), 1);
  EXPECT_EQ(box.SelItem(0), 15);
}

TEST_F(ItemsTest, MissingIconsEndThePaintSilently) {
  box.SetShowIcon(true);
  box.SetSelColor(test::kOleRed);
  box.SetSelectionStyle(0);
  box.AddItem("", -1, 0, false, true);
  box.SetListIndex(0);
  // No image list: the paint ends before the row's selection.
  EXPECT_EQ(Shot().pixel(100, 10), kWhite);
  QPixmap one(8, 8);
  one.fill(Qt::blue);
  box.SetImageList({one});
  EXPECT_EQ(Shot().pixel(100, 10), kRed);
  box.SetListIcon(0, 5);  // an icon the list lacks
  EXPECT_EQ(Shot().pixel(100, 10), kWhite);
}

TEST_F(ItemsTest, HostileTextsDrawWithoutHarm) {
  const QString texts[] = {
      QStringLiteral("a<%S%>b<%S%>c"),
      QStringLiteral("a&b && &"),
      QStringLiteral("tab\there\t\t"),
      QString::fromUtf8("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d abc \xd8\xb9\xd8\xb1\xd8\xa8\xd9\x8a"),
      QString(QChar(0xD800)) + "lone high" + QChar(0xDC00) + QChar(0xDFFF),
      QString(),
  };
  box.SetTextAlignment(0x8000 | 0x20 | 0x4);
  for (const QString& t : texts) box.AddItem(t, -1, -1, true, true);
  box.SelectAll();
  EXPECT_FALSE(Shot().isNull());
  for (int i = 0; i < box.ListCount(); ++i) EXPECT_EQ(box.List(i), texts[i]) << i;
}

TEST_F(ItemsTest, MillionItemsStayUsable) {
  box.SetAutoRefresh(false);
  for (int i = 0; i < 1000000; ++i) box.AddItem(QString::number(i), -1, -1, false, false);
  box.Refresh();
  box.SelectAll();
  box.ScrollToBottom();
  EXPECT_EQ(VBar().value(), 1000000 - box.VisibleRows());
  Shot();
  box.Clear();
  EXPECT_EQ(box.ListCount(), 0);
  EXPECT_EQ(box.SelCount(), 0);
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

TEST_F(ItemsTest, UnknownSystemColoursDrawAsWhite) {
  box.SetBackColor(0x800000FF);
  box.SetForeColor(0x80000099);
  box.SetSelColor(0x8000FFFF);
  AddItems(3);
  box.SetListIndex(0);
  EXPECT_EQ(Shot().pixel(100, 80), kWhite);
}

}  // namespace
}  // namespace corvane
