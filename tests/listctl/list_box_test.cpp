// Items, selection and properties of a shown list control, and its picture,
// checked pixel by pixel on worked cases of a 200 x 100 viewport with a white
// background.

#include <QFocusEvent>
#include <QTest>
#include <climits>
#include <cmath>
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
  box.ClearSelection();  // the current item stays selected
  EXPECT_EQ(std::pair(Selected(), box.Text()), std::pair(std::vector<int>({1}), QString("item 1")));
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
  AddItems(50);
  box.SetListIndex(25);
  for (const int item : {3, 12}) box.SelectItem(item);
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
  for (const auto& [width, height, rowHeight] :
       {std::tuple{0, 0, 22}, {-5, -5, 22}, {300, 0, 22}, {200, 100, INT_MAX}}) {
    box.resize(width, height);
    box.SetRowHeight(rowHeight);
    Shot();
    EXPECT_EQ(box.VisibleRows(), 1) << width << "x" << height;
  }
  box.ReadProperties({{"rowheight", INT_MIN}});
  EXPECT_EQ(box.RowHeight(), QFontMetrics(box.Font()).height());
  QFont big = box.Font();
  for (const int pixels : {60, 300}) {
    box.SetRowHeight(200);
    big.setPixelSize(pixels);
    box.SetFont(big);  // raises the row height to the font's, never lowers it
    EXPECT_EQ(box.RowHeight(), pixels == 60 ? 200 : QFontMetrics(big).height());
  }
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

const QRgb kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0);
constexpr int kOleRed = 0x0000FF;

// Backgrounds run from BackGradientCol to BackColor.
QVariantMap Ramp(int direction, int start, int end) {
  return {{"backgradient", direction}, {"backgradientcol", start}, {"backcolor", end}};
}

TEST(DrawingTest, WorkedCases) {
  const QVariantMap rowsOf20{{"rowheight", 20}, {"selcolor", kOleRed}};
  const QRgb darkRed = qRgb(250, 0, 0);
  const struct {
    const char* name;
    QVariantMap properties;
    std::vector<std::tuple<int, int, QRgb>> probes;  // x, y, colour
    int items = 0, current = 0, selected = -1;       // selected besides the current item
    bool focus = false;
  } cases[] = {
      // clang-format off
      // Ramps truncate: entry 2 of 199 from 0 to 255 is 2.56 -> 2.
      {"ramp left to right", Ramp(1, 0, kOleRed),
       {{0, 5, kBlack}, {2, 5, qRgb(2, 0, 0)}, {199, 0, kRed}}},
      {"ramp from top-left", Ramp(5, 0, 0x00FF00), {{0, 0, kBlack}, {199, 99, qRgb(0, 255, 0)}}},
      // Two halves of 100 from the edges, the second from x 99: the last
      // column keeps the background.
      {"mirrored ramp", Ramp(2, 0xFFFFFF, kOleRed),
       {{0, 5, kWhite}, {99, 5, kRed}, {198, 5, kWhite}, {199, 5, kRed}}},
      // Weights 150 and 100 of the colour with white, a frame of 250 with
      // black; 75 for both fills without the focus.
      {"selection with focus", rowsOf20,
       {{100, 10, qRgb(255, 105, 105)}, {100, 30, qRgb(255, 155, 155)}, {1, 10, darkRed}},
       3, 0, 1, true},
      {"selection without focus", rowsOf20,
       {{100, 10, qRgb(255, 180, 180)}, {100, 30, qRgb(255, 180, 180)}, {1, 30, darkRed}},
       3, 0, 1},
      {"grid of no items", {{"rowheight", 15}, {"gridcolor", kOleRed}, {"gridlines", true}},
       {{50, 0, kWhite}, {50, 14, kWhite}, {50, 15, kRed}, {50, 16, kWhite}}},
      // From (-1, 20) to the right edge, every other pixel inverted.
      {"focus rectangle", {{"rowheight", 20}, {"focusrectangle", true}, {"selectionstyle", 0}},
       {{1, 20, kBlack}, {2, 20, kWhite}, {1, 19, kWhite}}, 2, 1},
  };  // clang-format on
  for (const auto& c : cases) {
    McListBox box;
    test::ShowPlain(box, c.properties);
    test::AddItems(box, c.items, QString());
    box.SetListIndex(c.current);
    box.SelectItem(c.selected);
    QFocusEvent event(c.focus ? QEvent::FocusIn : QEvent::FocusOut);
    QApplication::sendEvent(&box, &event);
    const QImage shot = test::Shot(box);
    for (const auto& [x, y, colour] : c.probes)
      EXPECT_EQ(shot.pixel(x, y), colour) << c.name << " at " << x << "," << y;
  }
}

TEST_F(ItemsTest, AmpersandIsDrawnLiterally) {
  // A literal "&" moves the last inked column right; a mnemonic would only underline the "b".
  auto inkRight = [&](const QString& text) {
    box.Clear();
    box.AddItem(text);
    const QImage shot = Shot();
    int right = -1;
    for (int x = 0; x < shot.width(); ++x)
      for (int y = 0; y < 22; ++y) right = shot.pixel(x, y) != kWhite ? x : right;
    return right;
  };
  EXPECT_GE(inkRight("a&b"), inkRight("ab") + QFontMetrics(box.Font()).horizontalAdvance(u'&') / 2);
}

// Also run at QT_SCALE_FACTOR 1.5 and 2 (CMakeLists.txt): shots in device pixels.
using DeviceScaleTest = test::ListBoxTest;

qreal Ratio(const McListBox& box) { return box.viewport()->devicePixelRatioF(); }

// A picture of the logical size scaled up changes from one device column to
// the next at most once per logical column; text drawn at the device's
// resolution changes at nearly every one.
TEST_F(DeviceScaleTest, TextIsDrawnInDevicePixels) {
  if (Ratio(box) == 1) GTEST_SKIP() << "a device pixel is a logical one";
  box.AddItem(QStringLiteral("MWMWMWMWMW"));
  const QImage shot = Shot();
  std::vector<int> changes;  // the columns that differ from the next one
  for (int x = 0; x + 1 < shot.width(); ++x)
    if (shot.copy(x, 0, 1, shot.height()) != shot.copy(x + 1, 0, 1, shot.height()))
      changes.push_back(x);
  ASSERT_FALSE(changes.empty());
  EXPECT_GT(changes.size(), (changes.back() - changes.front() + 2) / Ratio(box) + 1);
}

// The tops of rows stretched to 16.67 pixels, at 0, 17, 33 and 50, and the
// closing line 15 below the last: each line where its logical row starts,
// Round(ratio) device pixels high.
TEST_F(DeviceScaleTest, GridLinesAreEquallyThickAtTheirRows) {
  test::ShowPlain(box, {{"rowheight", 15}, {"gridlines", true}, {"gridcolor", kOleRed}});
  test::AddItems(box, 4, QString());
  const QImage shot = Shot();
  std::vector<std::pair<int, int>> runs;  // first device row, height
  for (int y = 0; y < shot.height(); ++y) {
    if (shot.pixel(2, y) != kRed) continue;
    if (runs.empty() || runs.back().first + runs.back().second != y) runs.emplace_back(y, 0);
    ++runs.back().second;
  }
  const int tops[] = {0, 17, 33, 50, 65};
  ASSERT_EQ(runs.size(), std::size(tops));
  for (std::size_t k = 0; k < runs.size(); ++k) {
    EXPECT_NEAR(runs[k].first, tops[k] * Ratio(box), 0.5) << k;
    EXPECT_EQ(runs[k].second, std::lround(Ratio(box))) << k;
  }
}

// The ramp has one entry per device row: from black to red over at most 200
// device rows, every row redder than the one above.
TEST_F(DeviceScaleTest, GradientStepsEveryDeviceRow) {
  test::ShowPlain(box, Ramp(3, 0, kOleRed));
  const QImage shot = Shot();
  int flat = 0;
  for (int y = 1; y < shot.height(); ++y)
    flat += qRed(shot.pixel(0, y)) <= qRed(shot.pixel(0, y - 1));
  EXPECT_EQ(flat, 0);
  EXPECT_EQ(shot.pixel(0, shot.height() - 1), kRed);
}

}  // namespace
}  // namespace corvane
