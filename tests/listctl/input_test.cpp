// Scroll bars, mouse and keyboard, driven with Qt's own events on 10 rows of 20 pixels.

#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "list_box_fixture.h"

namespace corvane {
namespace {

class InputTest : public test::ListBoxTest {
 protected:
  void SetUp() override {
    ListBoxTest::SetUp();
    if (!TenRowsOfTwenty()) GTEST_SKIP() << "the test font is taller than 20 pixels";
    QObject::connect(&box, &McListBox::SelChange, [this] { events << "SelChange"; });
    QObject::connect(&box, &McListBox::MouseDown, [this](int button, int, float, float) {
      events << QStringLiteral("MouseDown %1").arg(button);
    });
  }

  // The middle of the view row, in viewport pixels.
  static QPoint RowPoint(int row) { return {30, row * 20 + 10}; }

  void Click(int row, Qt::KeyboardModifiers held = Qt::NoModifier) {
    QTest::mouseClick(box.viewport(), Qt::LeftButton, held, RowPoint(row));
  }

  void Move(QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseMove, at, box.viewport()->mapToGlobal(at), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &event);
  }

  void Wheel(int delta, Qt::KeyboardModifiers held = Qt::NoModifier) {
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                      held, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box.viewport(), &event);
  }

  QStringList events;  // SelChange and MouseDown, in order
};

TEST_F(InputTest, BarsFollowTheDrawnRowsAndTheWheels) {
  AddItems(5);
  box.SetAutoHideScrollBars(false);
  test::Settle();
  EXPECT_TRUE(VBar().isVisible());
  EXPECT_FALSE(VBar().isEnabled()) << "a short list disables the bar";
  AddItems(35);
  const QString wide(2000, u'x');
  box.AddItem(wide, 0, -1, false, true);
  box.SetAutoHideScrollBars(true);
  test::Settle();
  const int textWidth = QFontMetrics(box.Font()).horizontalAdvance(wide);
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), textWidth + 50 - box.viewport()->width() + 1);
  Wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(box.horizontalScrollBar()->value(), 5);
  Wheel(-120);
  EXPECT_EQ(VBar().value(), 1);
  test::Settle();  // the wide row scrolled out of view
  EXPECT_FALSE(box.horizontalScrollBar()->isVisible());
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
    EXPECT_EQ(Selected(), selected) << multi << " row " << row;
    EXPECT_EQ(box.ListIndex(), row);
  }
}

TEST_F(InputTest, ClicksAndKeysThatChangeNothingRaiseNothing) {
  Click(0);  // an empty list
  QTest::keyClick(&box, Qt::Key_Down);
  AddItems(3);
  Click(5);  // below the last item
  EXPECT_EQ(box.SelCount(), 0);
  EXPECT_TRUE(events.isEmpty()) << events.join(", ").toStdString();
  box.SetMultiSelect(true);
  Click(0);
  Click(2, Qt::ShiftModifier);
  events.clear();
  QTest::mousePress(box.viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(1));
  EXPECT_EQ(Selected(), std::vector<int>({0, 1, 2})) << "a right click keeps the selection";
  EXPECT_TRUE(events.isEmpty()) << events.join(", ").toStdString();
}

TEST_F(InputTest, NavigationKeysAtBothEnds) {
  const std::tuple<int, Qt::Key, int> cases[] = {
      {3, Qt::Key_Up, 2},   {7, Qt::Key_Down, 7},     {3, Qt::Key_Down, 4},
      {5, Qt::Key_Home, 0}, {2, Qt::Key_PageDown, 7}, {6, Qt::Key_PageUp, 0},
  };
  AddItems(8);  // fewer than the 10 visible rows: a page is longer than the list
  for (const auto& [from, key, to] : cases) {
    box.SetListIndex(from);
    events.clear();
    QTest::keyClick(&box, key);
    EXPECT_EQ(Selected(), std::vector<int>({to})) << from << " key " << key;
    EXPECT_EQ(events.contains("SelChange"), from != to) << from << " key " << key;
  }
}

TEST_F(InputTest, ShiftKeysExtendFromTheAnchorAndCtrlDoesNothing) {
  AddItems(30);
  box.SetMultiSelect(true);
  Click(3);
  QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), std::vector<int>({3, 4, 5}));
  QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Selected(), std::vector<int>({29}));
  EXPECT_EQ(VBar().value(), 20);
  QTest::keyClick(&box, Qt::Key_PageUp, Qt::ShiftModifier);
  EXPECT_EQ(box.ListIndex(), 19);
  EXPECT_EQ(VBar().value(), 19) << "the view follows upwards too";
  EXPECT_EQ(Selected().size(), 11u);
}

// The host hears a key as a click of button 999; zeroing the code in KeyDown cancels the key.
TEST_F(InputTest, KeysClickAsTheKeyboardButtonUnlessTheHostCancelsThem) {
  AddItems(5);
  QObject::connect(&box, &McListBox::KeyDown,
                   [](int& code, int&) { code = code == 35 ? 0 : code; });
  QTest::keyClick(&box, Qt::Key_Down);
  QTest::keyClick(&box, Qt::Key_End);
  EXPECT_EQ(events, QStringList({"SelChange", "MouseDown 999"}));
  EXPECT_EQ(box.ListIndex(), 1);
}

TEST_F(InputTest, DraggingBelowASingleSelectionListScrollsToTheEnd) {
  AddItems(40);
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
  Move(RowPoint(3), Qt::LeftButton);
  EXPECT_EQ(Selected(), std::vector<int>({3}));
  Move(QPoint(30, 260), Qt::LeftButton);  // below the window
  ASSERT_TRUE(QTest::qWaitFor([&] { return box.ListIndex() == 39; }, 20000));
  EXPECT_EQ(Selected(), std::vector<int>({39}));
  EXPECT_EQ(VBar().value(), VBar().maximum());
  QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 260));
  Move(QPoint(30, -40), Qt::NoButton);
  QTest::qWait(100);
  EXPECT_EQ(box.ListIndex(), 39);
}

TEST_F(InputTest, TheTipShowsOnlyForACutOffRow) {
  box.AddItem("short", -1, -1, false, false);
  box.AddItem(QString(80, u'w'), -1, -1, false, true);
  for (const auto& [row, shown] :
       {std::pair{0, false}, {1, true}, {0, false}, {1, true}, {5, false}, {1, true}}) {
    Move(RowPoint(row), Qt::NoButton);
    EXPECT_EQ(box.Tip().isVisible(), shown) << "row " << row;
  }
  EXPECT_GT(box.Tip().width(), box.viewport()->width());
  EXPECT_EQ(box.Tip().geometry().top(), box.viewport()->mapToGlobal(QPoint(0, 20)).y() + 3);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&box, &leave);
  EXPECT_FALSE(box.Tip().isVisible());
}

}  // namespace
}  // namespace corvane
