#include <QWheelEvent>

#include "list_box_fixture.h"

namespace corvane {
namespace {

class ScrollTest : public test::ListBoxTest {
 protected:
  // 10 rows of 20 pixels.
  void SetUp() override {
    ListBoxTest::SetUp();
    if (!TenRowsOfTwenty()) GTEST_SKIP() << "the test font is taller than 20 pixels";
  }

  void Wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box.viewport(), &event);
  }
};

TEST_F(ScrollTest, RangeLetsTheLastItemReachTheBottomRow) {
  AddItems(20);
  EXPECT_EQ(box.VisibleRows(), 10);
  EXPECT_TRUE(VBar().isVisible());
  EXPECT_EQ(VBar().minimum(), 0);
  EXPECT_EQ(VBar().maximum(), 10);
  EXPECT_EQ(VBar().pageStep(), 5);
  EXPECT_EQ(VBar().singleStep(), 1);
  EXPECT_EQ(HBar().singleStep(), 5);
  EXPECT_EQ(HBar().pageStep(), 15);
  box.ScrollToBottom();
  EXPECT_EQ(VBar().value(), 10);
  VBar().triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(VBar().value(), 10) << "line down at the end stays";
}

TEST_F(ScrollTest, ListIndexBringsTheRowIntoView) {
  AddItems(40);
  VBar().setValue(5);
  struct Case {
    int index, position;
  } const cases[] = {{2, 2}, {30, 21}, {25, 21}, {39, 30}, {0, 0}};
  for (const Case& c : cases) {
    box.SetListIndex(c.index);
    EXPECT_EQ(VBar().value(), c.position) << "ListIndex " << c.index;
    ASSERT_EQ(box.SelCount(), 1);
    EXPECT_EQ(box.SelItem(0), c.index);
  }
}

TEST_F(ScrollTest, ShortListShowsADisabledBarUnlessAutoHidden) {
  AddItems(5);
  EXPECT_FALSE(VBar().isVisible()) << "auto-hidden";
  box.SetAutoHideScrollBars(false);
  Settle();
  EXPECT_TRUE(VBar().isVisible());
  EXPECT_FALSE(VBar().isEnabled());
  box.ScrollToBottom();
  EXPECT_EQ(VBar().value(), 0);
}

TEST_F(ScrollTest, WheelMovesOneRowAndCtrlMovesTheShownHorizontalBar) {
  AddItems(40);
  Wheel(-120);
  EXPECT_EQ(VBar().value(), 1);
  Wheel(120);
  Wheel(120);
  EXPECT_EQ(VBar().value(), 0);
  Wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(VBar().value(), 0);
  EXPECT_EQ(HBar().value(), 0) << "the horizontal bar is hidden";
  box.AddItem(QString(400, u'W'), 0, -1, false, true);  // only drawn rows count
  Settle();
  ASSERT_TRUE(HBar().isVisible());
  Wheel(-120, Qt::ControlModifier);
  EXPECT_EQ(HBar().value(), 5);
}

TEST_F(ScrollTest, WideTextSizesTheHorizontalRange) {
  const QString huge(1 << 20, u'x');  // one line of a megabyte
  box.AddItem(huge, -1, -1, false, true);
  Settle();
  Settle();
  ASSERT_TRUE(HBar().isVisible());
  const int textWidth = QFontMetrics(box.Font()).horizontalAdvance(huge);
  EXPECT_EQ(HBar().maximum(), textWidth + 50 - box.viewport()->width() + 1);
  box.Clear();
  Settle();
  EXPECT_FALSE(HBar().isVisible());
}

TEST_F(ScrollTest, MouseEnterAndLeaveAreRaisedOncePerVisit) {
  int enters = 0;
  int leaves = 0;
  QObject::connect(&box, &McListBox::MouseEnter, [&] { ++enters; });
  QObject::connect(&box, &McListBox::MouseLeave, [&] { ++leaves; });
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&box, &leave);  // the pointer may rest over the new window
  enters = leaves = 0;
  QApplication::sendEvent(&box, &enter);
  QApplication::sendEvent(&box, &enter);
  EXPECT_EQ(enters, 1);
  QApplication::sendEvent(&box, &leave);
  QApplication::sendEvent(&box, &enter);
  EXPECT_EQ(enters, 2);
  EXPECT_EQ(leaves, 1);
}

}  // namespace
}  // namespace corvane
