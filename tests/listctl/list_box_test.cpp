#include <QTest>
#include <climits>
#include <stdexcept>

#include "list_box_fixture.h"
#include "listctl/gdi_surface.h"
#include "listctl/log_feed.h"

namespace corvane {
namespace {

using ItemsTest = test::ListBoxTest;

TEST_F(ItemsTest, AddRemoveAndSelect) {
  AddItems(3);
  box.AddItem("new first", {.index = 0});
  box.AddItem("new last", {.icon = 4, .bold = true});
  EXPECT_EQ(Texts(), QStringList({"new first", "item 0", "item 1", "item 2", "new last"}));
  EXPECT_EQ(std::pair(box.ListIcon(4), box.ListBold(4)), std::pair(4, true));
  box.SetListIndex(1);
  box.SetListIndex(7);  // ignored
  EXPECT_THROW(box.Remove(5), std::out_of_range);
  box.Remove(-1);  // the current item
  EXPECT_EQ(Texts(), QStringList({"new first", "item 1", "item 2", "new last"}));
  box.SelectAll();
  box.ClearSelection();
  EXPECT_EQ(std::pair(Selected(), box.Text()), std::pair(std::vector<int>({1}), QString("item 1")))
      << "the current item stays selected";
  box.Clear();
  EXPECT_EQ(std::tuple(box.ListIndex(), box.SelCount(), box.Text()), std::tuple(-1, 0, ""));
  EXPECT_THROW(box.Remove(-1), std::out_of_range) << "no current item";
}

// Ignoring case, stably, by the old joined record: "a<%S%>-1..." sorts after "a!<%S%>...".
TEST_F(ItemsTest, SortOrderSortsStablyByTheWholeRecordIgnoringCase) {
  for (const char* text : {"x", "B", "a", "b", "X", "a!"}) box.AddItem(text, {.refresh = false});
  box.SetSortOrder(Sorting::Descending);
  EXPECT_EQ(Texts(), QStringList({"x", "X", "B", "b", "a", "a!"}));
}

// Additions without a refresh get one refresh, later; capped log lines one
// paint, which shows the newest.
TEST_F(ItemsTest, BurstsAreRefreshedAndPaintedOnce) {
  struct : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint;
      return false;
    }
  } counter;
  int refreshes = 0;
  QObject::connect(&box, &McListBox::refreshed, [&] { ++refreshes; });
  for (int i = 0; i < 100; ++i) box.AddItem(QString::number(i), {.refresh = false});
  EXPECT_EQ(refreshes, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return refreshes > 0; }, 20000));
  QTest::qWait(200);  // room for a second, wrong refresh
  EXPECT_EQ(std::pair(refreshes, VBar().maximum()), std::pair(1, 100 - box.VisibleRows()));
  box.viewport()->installEventFilter(&counter);
  for (int i = 0; i < 10000; ++i) AppendLogLine(box, QString::number(i), false, 100);
  Shot();
  EXPECT_TRUE(counter.paints >= 1 && counter.paints <= 3) << counter.paints;
  EXPECT_EQ(std::pair(box.ListCount(), box.List(0)), std::pair(100, QString("9900")));
}

TEST_F(ItemsTest, RemovingOldestKeepsTheViewAndSelectionOnTheSameRows) {
  box.SetRowHeight(10);  // 10 rows
  AddItems(50);
  box.SetListIndex(25);
  box.SelectItem(3);
  box.SelectItem(12);
  VBar().setValue(20);
  box.RemoveOldest(10);
  EXPECT_EQ(std::tuple(box.List(0), VBar().value(), box.Text(), Selected()),
            std::tuple("item 10", 10, "item 25", std::vector<int>({15, 2})));
}

// A text holding the old record separator "<%S%>" stays one text: no icon, not bold.
TEST_F(ItemsTest, HostileTextsDrawWithoutHarmAndStayOneField) {
  const QStringList texts{
      QStringLiteral("copied a<%S%>7<%S%>True.txt"),
      QString::fromUtf8("a&b && & tab\t\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d abc \xd8\xb9\xd8\xb1"),
      QString(QChar(0xD800)) + "lone high" + QChar(0xDC00) + QChar(0xDFFF), QString()};
  box.SetTextAlignment(text_format::kEndEllipsis | text_format::kSingleLine |
                       text_format::kVerticalCenter);
  for (const QString& t : texts) box.AddItem(t);
  box.SelectAll();
  Shot();
  EXPECT_EQ(std::tuple(Texts(), box.ListIcon(0), box.ListBold(0)), std::tuple(texts, -1, false));
}

// At least one row whatever the size; the row height at least the font's.
TEST_F(ItemsTest, DegenerateSizesAndRowHeightsNeverBelowTheFont) {
  AddItems(5);
  box.SetGridLines(true);
  for (const auto& [size, rowHeight] : {std::pair{QSize(0, 0), 22},
                                        {QSize(-5, -5), 22},
                                        {QSize(300, 0), 22},
                                        {QSize(200, 100), INT_MAX}}) {
    box.resize(size);
    box.SetRowHeight(rowHeight);
    Shot();
    EXPECT_EQ(box.VisibleRows(), 1) << size.width() << "x" << size.height();
  }
  box.ReadProperties({{"rowheight", INT_MIN}});
  EXPECT_EQ(box.RowHeight(), QFontMetrics(box.Font()).height());
  box.SetRowHeight(200);
  QFont big = box.Font();
  big.setPixelSize(60);
  box.SetFont(big);
  EXPECT_EQ(box.RowHeight(), 200) << "a font never lowers the row height";
  big.setPixelSize(300);
  box.SetFont(big);
  EXPECT_EQ(box.RowHeight(), QFontMetrics(big).height());
}

// Only what differs from the defaults is stored, under the lower-case key; a
// value that cannot be read falls back to the default and so is not stored.
TEST(PropertyBagTest, StoredValuesAreReadAndWrittenAgain) {
  // The application directory is not the stored default path.
  EXPECT_EQ(McListBox().WriteProperties().keys(), QStringList({"path"}));
  QFont italic = QApplication::font();
  italic.setItalic(true);
  // A colour was a signed 32-bit Long; a number that names no value of its
  // enum is refused; a bag without a path reads it as empty, which is not stored.
  const std::tuple<const char*, QVariant, QVariant> cases[] = {
      // clang-format off
      {"RowHeight", 40, 40}, {"gridlines", "True", true}, {"Mode", 3, 3}, {"mode", 9, {}},
      {"SELCOLOR", -2147483630, 0x80000012u}, {"backgradient", "not a number", {}},
      {"sortorder", 2, {}}, {"appearance", 2, {}}, {"selectionstyle", 2, {}},
      {"selgradient", 7, {}}, {"borderstyle", 0x20001, {}}, {"font", italic, italic},
      {"path", "/srv/in/", "/srv/in/"}};
  // clang-format on
  for (const auto& [key, stored, written] : cases) {
    McListBox box;
    box.ReadProperties({{key, stored}});
    const QVariantMap expected{{QString(key).toLower(), written}};
    EXPECT_EQ(box.WriteProperties(), written.isValid() ? expected : QVariantMap{})
        << key << " " << stored.toString().toStdString();
  }
}

}  // namespace
}  // namespace corvane
