// A shown list control: its items, selection and properties; its picture,
// checked pixel by pixel on worked cases of a 200 x 100 viewport with a white
// background; and its bars, mouse and keyboard.

#include <QClipboard>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "list_box_fixture.h"
#include "listctl/gdi_surface.h"
#include "listctl/log_feed.h"

namespace corvane {
namespace {

using ItemsTest = test::ListBoxTest;

const QRgb kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0);
constexpr int kOleRed = 0x0000FF;

TEST_F(ItemsTest, AddRemoveAndSelect) {
  test::AddItems(box, 3);
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

// Additions without a refresh get one refresh, later; capped log lines one
// paint, which shows the newest; a change that moves nothing its own paint.
TEST_F(ItemsTest, BurstsAreRefreshedAndPaintedOnce) {
  struct : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint;
      return false;
    }
  } counter;
  QSignalSpy refreshes(&box, &McListBox::refreshed);
  for (int i = 0; i < 100; ++i) box.AddItem(QString::number(i), {.refresh = false});
  ASSERT_TRUE(refreshes.wait(20000));
  QTest::qWait(200);  // room for a second, wrong refresh
  EXPECT_EQ(std::pair(int(refreshes.count()), VBar().maximum()),
            std::pair(1, 100 - box.VisibleRows()));
  box.Clear();  // the log grows to its cap first
  box.viewport()->installEventFilter(&counter);
  for (int i = 0; i < 10000; ++i) AppendLogLine(box, QString::number(i), false, 100);
  test::Settle();
  EXPECT_EQ(counter.paints, 1);
  EXPECT_EQ(std::pair(box.ListCount(), box.List(0)), std::pair(100, QString("9900")));
  counter.paints = 0;
  box.SelectItem(0);  // nothing scrolls: only the control's own request paints
  test::Settle();
  EXPECT_EQ(counter.paints, 1);
}

TEST_F(ItemsTest, RemovingOldestKeepsTheViewAndSelectionOnTheSameRows) {
  test::AddItems(box, 50);
  box.SetListIndex(25);
  for (const int item : {3, 12}) box.SelectItem(item);
  VBar().setValue(20);
  box.RemoveOldest(10);
  EXPECT_EQ(std::tuple(box.List(0), VBar().value(), box.Text(), Selected()),
            std::tuple("item 10", 10, "item 25", std::vector<int>({15, 2})));
}

// A text holding the old record separator "<%S%>" stays one text: no icon,
// not bold. A literal "&" moves the last inked column right; a mnemonic
// would only underline the "b".
TEST_F(ItemsTest, HostileTextsDrawWithoutHarmAndAsWritten) {
  const QStringList texts{
      QStringLiteral("copied a<%S%>7<%S%>True.txt"),
      QString::fromUtf8("a&b && & tab\t\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d abc \xd8\xb9\xd8\xb1"),
      QString(QChar(0xD800)) + "lone high" + QChar(0xDC00) + QChar(0xDFFF), QString()};
  box.SetTextAlignment(text_format::kEndEllipsis | text_format::kSingleLine |
                       text_format::kVerticalCenter);
  for (const QString& t : texts) box.AddItem(t);
  box.SelectAll();
  test::Shot(box);
  EXPECT_EQ(std::tuple(Texts(), box.ListIcon(0), box.ListBold(0)), std::tuple(texts, -1, false));
  auto inkRight = [&](const QString& text) {
    box.Clear();
    box.AddItem(text);
    const QImage shot = test::Shot(box);
    int right = -1;
    for (int x = 0; x < shot.width(); ++x)
      for (int y = 0; y < 22; ++y) right = shot.pixel(x, y) != kWhite ? x : right;
    return right;
  };
  EXPECT_GE(inkRight("a&b"), inkRight("ab") + QFontMetrics(box.Font()).horizontalAdvance(u'&') / 2);
}

// At least one row whatever the size; the row height at least the font's.
TEST_F(ItemsTest, DegenerateSizesAndRowHeightsNeverBelowTheFont) {
  test::AddItems(box, 5);
  box.SetGridLines(true);
  for (const auto& [width, height, rowHeight] :
       {std::tuple{0, 0, 22}, {-5, -5, 22}, {300, 0, 22}, {200, 100, INT_MAX}}) {
    box.resize(width, height);
    box.SetRowHeight(rowHeight);
    test::Shot(box);
    EXPECT_EQ(box.VisibleRows(), 1) << width << "x" << height;
  }
  box.ReadProperties({{"rowheight", INT_MIN}});
  EXPECT_EQ(box.RowHeight(), QFontMetrics(box.Font()).height());
  // A font raises the row height to its own; that none lowers it, the rows
  // of 20 drawn below show.
  QFont big = box.Font();
  big.setPixelSize(300);
  box.SetFont(big);
  EXPECT_EQ(box.RowHeight(), QFontMetrics(big).height());
}

// Only what differs from the defaults is stored, under the lower-case key; a
// value that cannot be read falls back to the default and so is not stored.
TEST(PropertyBagTest, StoredValuesAreReadAndWrittenAgain) {
  // The application directory is not the stored default path.
  EXPECT_EQ(McListBox().WriteProperties().keys(), QStringList({"path"}));
  const QFont italic(QApplication::font().family(), 9, -1, true);
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
    EXPECT_EQ(box.WriteProperties(), written.isValid() ? expected : QVariantMap{}) << key;
  }
}

// Backgrounds run from BackGradientCol to BackColor.
QVariantMap Ramp(int direction, int start, int end) {
  return {{"backgradient", direction}, {"backgradientcol", start}, {"backcolor", end}};
}

TEST(DrawingTest, WorkedCases) {
  const QVariantMap rowsOf20{{"rowheight", 20}, {"selcolor", kOleRed}};
  const struct {
    QVariantMap properties;
    std::vector<std::tuple<int, int, QRgb>> probes;  // x, y, colour
    int items = 0, current = 0, selected = -1;       // selected besides the current item
    bool focus = false;
  } cases[] = {
      // clang-format off
      // 0, a ramp left to right; they truncate: entry 2 of 199 from 0 to 255 is 2.56 -> 2.
      {Ramp(1, 0, kOleRed), {{0, 5, kBlack}, {2, 5, qRgb(2, 0, 0)}, {199, 0, kRed}}},
      {Ramp(5, 0, 0x00FF00), {{0, 0, kBlack}, {199, 99, qRgb(0, 255, 0)}}},  // 1, from top-left
      // 2, mirrored: two halves of 100 from the edges, the second from x 99;
      // the last column keeps the background.
      {Ramp(2, 0xFFFFFF, kOleRed),
       {{0, 5, kWhite}, {99, 5, kRed}, {198, 5, kWhite}, {199, 5, kRed}}},
      // 3 and 4, a selection with and without the focus: weights 150 and 100
      // of the colour with white, a frame of 250 with black; 75 for both
      // fills without the focus.
      {rowsOf20, {{100, 10, qRgb(255, 105, 105)}, {100, 30, qRgb(255, 155, 155)},
                  {1, 10, qRgb(250, 0, 0)}}, 3, 0, 1, true},
      {rowsOf20, {{100, 10, qRgb(255, 180, 180)}, {100, 30, qRgb(255, 180, 180)},
                  {1, 30, qRgb(250, 0, 0)}}, 3, 0, 1},
      // 5, the grid of no items.
      {{{"rowheight", 15}, {"gridcolor", kOleRed}, {"gridlines", true}},
       {{50, 0, kWhite}, {50, 14, kWhite}, {50, 15, kRed}, {50, 16, kWhite}}},
      // 6, a focus rectangle from (-1, 20) to the right edge, every other pixel inverted.
      {{{"rowheight", 20}, {"focusrectangle", true}, {"selectionstyle", 0}},
       {{1, 20, kBlack}, {2, 20, kWhite}, {1, 19, kWhite}}, 2, 1},
  };  // clang-format on
  for (const auto& c : cases) {
    McListBox box;
    test::ShowPlain(box, c.properties);
    test::AddItems(box, c.items, QString());
    box.SetListIndex(c.current);
    box.SelectItem(c.selected);
    test::Send(&box, QFocusEvent(c.focus ? QEvent::FocusIn : QEvent::FocusOut));
    const QImage shot = test::Shot(box);
    for (const auto& [x, y, colour] : c.probes)
      EXPECT_EQ(shot.pixel(x, y), colour) << "case " << &c - cases << " at " << x << "," << y;
  }
}

// Also run at QT_SCALE_FACTOR 1.5 and 2 (CMakeLists.txt): shots in device pixels.
using DeviceScaleTest = test::ListBoxTest;

qreal Ratio(const McListBox& box) { return box.viewport()->devicePixelRatioF(); }

// The tops of rows stretched to 16.67 pixels, at 0, 17, 33 and 50, and the
// closing line 15 below the last: each line where its logical row starts,
// Round(ratio) device pixels high.
TEST_F(DeviceScaleTest, GridLinesAreEquallyThickAtTheirRows) {
  test::ShowPlain(box, {{"rowheight", 15}, {"gridlines", true}, {"gridcolor", kOleRed}});
  test::AddItems(box, 4, QString());
  const QImage shot = test::Shot(box);
  std::vector<long> red, expected;  // device rows
  for (int y = 0; y < shot.height(); ++y)
    if (shot.pixel(2, y) == kRed) red.push_back(y);
  for (const int top : {0, 17, 33, 50, 65})
    for (long k = 0; k < std::lround(Ratio(box)); ++k)
      expected.push_back(std::lround(top * Ratio(box)) + k);
  EXPECT_EQ(red, expected);
}

// The ramp has one entry per device row: from black to red over at most 200
// device rows, every row redder than the one above.
TEST_F(DeviceScaleTest, GradientStepsEveryDeviceRow) {
  test::ShowPlain(box, Ramp(3, 0, kOleRed));
  const QImage shot = test::Shot(box);
  int flat = 0;
  for (int y = 1; y < shot.height(); ++y)
    flat += qRed(shot.pixel(0, y)) <= qRed(shot.pixel(0, y - 1));
  EXPECT_EQ(std::pair(flat, shot.pixel(0, shot.height() - 1)), std::pair(0, kRed));
}

// Scroll bars, mouse and keyboard, driven with Qt's own events on ten whole rows.
class InputTest : public test::ListBoxTest {
 protected:
  void SetUp() override {
    test::ListBoxTest::SetUp();
    rowH = box.RowHeight();
    box.resize(200, 10 * rowH);
    QObject::connect(&box, &McListBox::selectionChanged, [this] { events << "selectionChanged"; });
    QObject::connect(&box, &McListBox::mousePressed, [this](int button, int, float, float) {
      events << QStringLiteral("mousePressed %1").arg(button);
    });
  }

  // The middle of the view row, in viewport pixels.
  QPoint RowPoint(int row) const { return {30, row * rowH + rowH / 2}; }

  void Click(int row, Qt::KeyboardModifiers held = Qt::NoModifier) {
    QTest::mouseClick(box.viewport(), Qt::LeftButton, held, RowPoint(row));
  }

  void Move(QPoint at, Qt::MouseButtons buttons) {
    test::Send(box.viewport(), QMouseEvent(QEvent::MouseMove, at, box.viewport()->mapToGlobal(at),
                                           Qt::NoButton, buttons, Qt::NoModifier));
  }

  int rowH = 0;
  QStringList events;  // selectionChanged and mousePressed, in order
};

// The horizontal bar follows the widest row in view, so that the sideways
// turns below have room. A wheel notch moves a bar by a line step: pieces of
// a notch add up, a turn the other way drops them, a touchpad scrolls a row
// per row height of pixels, and Ctrl or the second wheel scroll sideways by
// 5 pixels a notch.
TEST_F(InputTest, BarsFollowTheDrawnRowsAndTheWheelMovesThemALineStepPerNotch) {
  test::AddItems(box, 40);
  box.AddItem(QString(2000, u'x'), {.index = 14});
  VBar().setValue(15);
  test::Settle();
  EXPECT_FALSE(box.horizontalScrollBar()->isVisible()) << "the wide row is out of view";
  const int touch = box.viewport()->height() * 6 / (10 * box.VisibleRows());  // 0.6 of a row
  // Modifiers, touchpad pixels or notches, the turns, and the rows and columns scrolled.
  using Deltas = std::vector<QPoint>;
  const std::tuple<Qt::KeyboardModifiers, bool, Deltas, int, int> cases[] = {
      // clang-format off
      {{}, false, Deltas(8, {0, -15}), 1, 0}, {{}, false, {{0, -360}}, 3, 0},
      {{}, false, {{0, -90}, {0, 120}}, -1, 0}, {{}, true, {{0, -touch}, {0, -touch}}, 1, 0},
      {{}, false, Deltas(8, {-15, 0}), 0, 5}, {Qt::ControlModifier, false, {{0, -240}}, 0, 10},
      {{}, true, {{-7, 0}}, 0, 7},
  };  // clang-format on
  for (const auto& [held, pixels, deltas, rows, columns] : cases) {
    VBar().setValue(10);
    box.horizontalScrollBar()->setValue(0);
    test::Settle();
    for (const QPoint delta : deltas)  // a touchpad reports pixels and the angle together
      test::Send(box.viewport(),
                 QWheelEvent(QPointF(10, 10), QPointF(10, 10), pixels ? delta : QPoint(), delta,
                             Qt::NoButton, held, Qt::NoScrollPhase, false));
    EXPECT_EQ(std::pair(VBar().value(), box.horizontalScrollBar()->value()),
              std::pair(10 + rows, columns))
        << deltas.size() << " x " << deltas[0].x() << "," << deltas[0].y();
  }
}

TEST_F(InputTest, ClicksSelectFromTheAnchor) {
  const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier,
                              ctrl = Qt::ControlModifier;
  // A Shift+click before any click sets the anchor.
  const std::tuple<bool, Qt::KeyboardModifiers, int, std::vector<int>> steps[] = {
      // clang-format off
      {true, shift, 4, {4}}, {true, shift, 6, {4, 5, 6}}, {true, none, 2, {2}},
      {true, shift, 5, {2, 3, 4, 5}}, {true, ctrl, 3, {2, 4, 5}}, {true, shift, 0, {0, 1, 2, 3}},
      {true, ctrl, 7, {0, 1, 2, 3, 7}}, {false, shift, 5, {5}}, {false, ctrl, 3, {3}},
  };  // clang-format on
  test::AddItems(box, 8);
  for (const auto& [multi, held, row, selected] : steps) {
    box.SetMultiSelect(multi);
    Click(row, held);
    EXPECT_EQ(std::pair(Selected(), box.ListIndex()), std::pair(selected, row))
        << multi << " row " << row;
  }
}

// Zeroing the code in keyPressed cancels the key.
TEST_F(InputTest, OnlyAChangeRaisesSelectionChangedAndTheHostCanCancelAKey) {
  QObject::connect(&box, &McListBox::keyPressed,
                   [](int& code, int&) { code = code == 35 ? 0 : code; });
  Click(0);  // an empty list
  QTest::keyClick(&box, Qt::Key_Down);
  test::AddItems(box, 3);
  Click(5);  // below the last item
  QTest::keyClick(&box, Qt::Key_End);
  EXPECT_EQ(std::tuple(box.SelCount(), box.ListIndex(), events), std::tuple(0, 0, QStringList()));
}

// Keys stop at both ends; a current item that the view has left behind (the
// log follows its newest line) first comes to the nearest row in view. The
// host hears a key that moves as a click of button 999.
TEST_F(InputTest, NavigationKeysMoveFromTheRowsInViewAndStopAtTheEnds) {
  // From, scrolled to the end, the key, and the current item and top row after it.
  const std::tuple<int, bool, Qt::Key, int, int> cases[] = {
      {39, false, Qt::Key_Down, 39, 30}, {35, false, Qt::Key_PageDown, 39, 30},
      {6, false, Qt::Key_PageUp, 0, 0},  {0, true, Qt::Key_Up, 29, 29},
      {0, true, Qt::Key_Down, 31, 30},   {0, true, Qt::Key_PageUp, 20, 20},
      {0, true, Qt::Key_Home, 0, 0},     {0, true, Qt::Key_End, 39, 30}};
  test::AddItems(box, 40);
  for (const auto& [from, scrolled, key, current, top] : cases) {
    VBar().setValue(0);
    box.SetListIndex(from);
    if (scrolled) box.ScrollToBottom();
    events.clear();
    QTest::keyClick(&box, key);
    const QStringList moved{"selectionChanged", "mousePressed 999"};
    EXPECT_EQ(std::tuple(Selected(), VBar().value(), events),
              std::tuple(std::vector<int>({current}), top,
                         scrolled || from != current ? moved : QStringList()))
        << from << " key " << key;
  }
}

// Ctrl changes no key but C, which copies the selected rows in list order.
TEST_F(InputTest, ShiftKeysExtendFromTheAnchorAndCtrlCopies) {
  test::AddItems(box, 30);
  box.SetMultiSelect(true);
  Click(3);
  for (int i = 0; i < 2; ++i) QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  box.SelectItem(1);  // after 3, 4 and 5
  QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("item 1\nitem 3\nitem 4\nitem 5"));
  // End moves the current item and the anchor to 29, the view to 20; from
  // there the view follows upwards too.
  QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(&box, Qt::Key_PageUp, Qt::ShiftModifier);
  EXPECT_EQ(std::tuple(box.ListIndex(), VBar().value(), Selected().size()),
            std::tuple(19, 19, 11u));
}

// The row under the pointer; below the items the last becomes current, the
// selection stays; below the window one item a tick until the button goes up.
TEST_F(InputTest, ASingleSelectionDragSelectsUnderThePointerAndRunsOnBelowTheWindow) {
  test::AddItems(box, 4);
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
  for (const auto& [row, current] : {std::pair{2, 2}, {7, 3}}) {
    Move(RowPoint(row), Qt::LeftButton);
    EXPECT_EQ(std::pair(box.ListIndex(), Selected()), std::pair(current, std::vector<int>({2})));
  }
  test::AddItems(box, 36);
  Move(QPoint(30, 13 * rowH), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return box.ListIndex() == 39; }, 20000));
  EXPECT_EQ(std::pair(Selected(), VBar().value()), std::pair(std::vector<int>({39}), 30));
  QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 13 * rowH));
  Move(QPoint(30, -2 * rowH), Qt::NoButton);
  QTest::qWait(100);
  EXPECT_EQ(box.ListIndex(), 39);
}

TEST_F(InputTest, TheTipShowsOnlyForACutOffRow) {
  box.AddItem("short", {.refresh = false});
  box.AddItem(QString(80, u'w'));
  for (const auto& [row, shown] :
       {std::pair{0, false}, {1, true}, {0, false}, {1, true}, {5, false}, {1, true}}) {
    Move(RowPoint(row), Qt::NoButton);
    EXPECT_EQ(box.Tip().isVisible(), shown) << "row " << row;
  }
  EXPECT_GT(box.Tip().width(), box.viewport()->width());
  test::Send(&box, QEvent(QEvent::Leave));
  EXPECT_FALSE(box.Tip().isVisible());
}

}  // namespace
}  // namespace corvane
