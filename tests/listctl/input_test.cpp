// Scroll bars, mouse and keyboard, driven with Qt's own events on ten whole rows.

#include <QClipboard>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "list_box_fixture.h"

namespace corvane {
namespace {

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
    QMouseEvent event(QEvent::MouseMove, at, box.viewport()->mapToGlobal(at), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &event);
  }

  // A touchpad reports pixels and the angle together.
  void Wheel(QPoint delta, bool pixels, Qt::KeyboardModifiers held) {
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), pixels ? delta : QPoint(), delta,
                      Qt::NoButton, held, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box.viewport(), &event);
  }

  int rowH = 0;
  QStringList events;  // selectionChanged and mousePressed, in order
};

// A short list disables the bar; the horizontal bar follows the widest row
// in view. A wheel notch moves a bar by a line step: pieces of a notch add
// up, a turn the other way drops them, a touchpad scrolls a row per row
// height of pixels, and Ctrl or the second wheel scroll sideways by 5 pixels
// a notch.
TEST_F(InputTest, BarsFollowTheDrawnRowsAndTheWheelMovesThemALineStepPerNotch) {
  AddItems(5);
  box.SetAutoHideScrollBars(false);
  test::Settle();
  EXPECT_EQ(std::pair(VBar().isVisible(), VBar().isEnabled()), std::pair(true, false));
  AddItems(35);
  box.AddItem(QString(2000, u'x'), {.index = 14});
  box.SetAutoHideScrollBars(true);
  VBar().setValue(15);
  test::Settle();
  EXPECT_FALSE(box.horizontalScrollBar()->isVisible()) << "the wide row is out of view";
  const int touch = box.viewport()->height() * 6 / (10 * box.VisibleRows());  // 0.6 of a row
  // Modifiers, touchpad pixels or notches, the turns, and the rows and columns scrolled.
  const std::tuple<Qt::KeyboardModifiers, bool, std::vector<QPoint>, int, int> cases[] = {
      {{}, false, std::vector<QPoint>(8, {0, -15}), 1, 0},
      {{}, false, {{0, -360}}, 3, 0},
      {{}, false, {{0, -90}, {0, 120}}, -1, 0},
      {{}, true, {{0, -touch}, {0, -touch}}, 1, 0},
      {{}, false, std::vector<QPoint>(8, {-15, 0}), 0, 5},
      {Qt::ControlModifier, false, {{0, -240}}, 0, 10},
      {{}, true, {{-7, 0}}, 0, 7},
  };
  for (const auto& [held, pixels, deltas, rows, columns] : cases) {
    VBar().setValue(10);
    box.horizontalScrollBar()->setValue(0);
    test::Settle();
    for (const QPoint delta : deltas) Wheel(delta, pixels, held);
    EXPECT_EQ(std::pair(VBar().value(), box.horizontalScrollBar()->value()),
              std::pair(10 + rows, columns))
        << deltas.size() << " x " << deltas[0].x() << "," << deltas[0].y();
  }
  const int textWidth = QFontMetrics(box.Font()).horizontalAdvance(box.List(14));
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), textWidth + 50 - box.viewport()->width() + 1);
}

TEST_F(InputTest, ClicksSelectFromTheAnchor) {
  const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier,
                              ctrl = Qt::ControlModifier;
  const std::tuple<bool, Qt::KeyboardModifiers, int, std::vector<int>> steps[] = {
      {true, shift, 4, {4}},  // a Shift+click before any click sets the anchor
      {true, shift, 6, {4, 5, 6}}, {true, none, 2, {2}},           {true, shift, 5, {2, 3, 4, 5}},
      {true, ctrl, 3, {2, 4, 5}},  {true, shift, 0, {0, 1, 2, 3}}, {true, ctrl, 7, {0, 1, 2, 3, 7}},
      {false, shift, 5, {5}},      {false, ctrl, 3, {3}},
  };
  AddItems(8);
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
  AddItems(3);
  Click(5);  // below the last item
  QTest::keyClick(&box, Qt::Key_End);
  EXPECT_EQ(std::tuple(box.SelCount(), box.ListIndex(), events), std::tuple(0, 0, QStringList()));
  box.SetMultiSelect(true);
  Click(0);
  Click(2, Qt::ShiftModifier);
  events.clear();
  // A right click keeps a multiple selection.
  QTest::mousePress(box.viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(1));
  EXPECT_EQ(std::pair(Selected(), events), std::pair(std::vector<int>({0, 1, 2}), QStringList()));
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
  AddItems(40);
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
  AddItems(30);
  box.SetMultiSelect(true);
  Click(3);
  QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  box.SelectItem(1);  // after 3, 4 and 5
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("item 1\nitem 3\nitem 4\nitem 5"));
  QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(std::pair(Selected(), VBar().value()), std::pair(std::vector<int>({29}), 20));
  QTest::keyClick(&box, Qt::Key_PageUp, Qt::ShiftModifier);  // the view follows upwards too
  EXPECT_EQ(std::tuple(box.ListIndex(), VBar().value(), Selected().size()),
            std::tuple(19, 19, 11u));
}

// The row under the pointer; below the items the last becomes current, the
// selection stays; below the window one item a tick until the button goes up.
TEST_F(InputTest, ASingleSelectionDragSelectsUnderThePointerAndRunsOnBelowTheWindow) {
  AddItems(4);
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
  for (const auto& [row, current] : {std::pair{2, 2}, {7, 3}}) {
    Move(RowPoint(row), Qt::LeftButton);
    EXPECT_EQ(std::pair(box.ListIndex(), Selected()), std::pair(current, std::vector<int>({2})));
  }
  AddItems(36);
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
  EXPECT_EQ(box.Tip().geometry().top(), box.viewport()->mapToGlobal(QPoint(0, rowH)).y() + 3);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&box, &leave);
  EXPECT_FALSE(box.Tip().isVisible());
}

}  // namespace
}  // namespace corvane
