// Mouse and keyboard, driven with Qt's own events on an off-screen control
// of 10 rows of 20 pixels.

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>

#include "list_box_fixture.h"

namespace corvane {
namespace {

class InputTest : public test::ListBoxTest {
 protected:
  void SetUp() override {
    ListBoxTest::SetUp();
    if (!TenRowsOfTwenty()) GTEST_SKIP() << "the test font is taller than 20 pixels";
    Record();
  }

  // Every event the control raises, in order, with its arguments.
  void Record() {
    QObject::connect(&box, &McListBox::SelChange, [this] { events << "SelChange"; });
    QObject::connect(&box, &McListBox::Click, [this] { events << "Click"; });
    QObject::connect(&box, &McListBox::DbClick, [this] { events << "DbClick"; });
    QObject::connect(&box, &McListBox::MouseDown, [this](int button, int shift, float, float) {
      events << QStringLiteral("MouseDown %1 %2").arg(button).arg(shift);
    });
    QObject::connect(&box, &McListBox::MouseUp, [this](int button, int, float, float) {
      events << QStringLiteral("MouseUp %1").arg(button);
    });
    QObject::connect(&box, &McListBox::KeyDown, [this](int& code, int& shift) {
      events << QStringLiteral("KeyDown %1 %2").arg(code).arg(shift);
      if (cancelKeys) code = 0;
    });
    QObject::connect(&box, &McListBox::KeyPress,
                     [this](int& ascii) { events << QStringLiteral("KeyPress %1").arg(ascii); });
    QObject::connect(&box, &McListBox::KeyUp,
                     [this](int& code, int&) { events << QStringLiteral("KeyUp %1").arg(code); });
  }

  // The middle of the view row, in viewport pixels.
  static QPoint RowPoint(int row) { return {30, row * 20 + 10}; }

  void Click(int row, Qt::KeyboardModifiers held = Qt::NoModifier,
             Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(box.viewport(), button, held, RowPoint(row));
  }

  void Move(QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseMove, at, box.viewport()->mapToGlobal(at), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &event);
  }

  std::vector<int> Selected() const {
    std::vector<int> selected;
    for (int k = 0; k < box.SelCount(); ++k) selected.push_back(box.SelItem(k));
    return selected;
  }

  QStringList events;
  bool cancelKeys = false;
};

TEST_F(InputTest, ClicksSelectFromTheAnchor) {
  struct Step {
    Qt::KeyboardModifiers held;
    int row;
    std::vector<int> selected;
  };
  const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier,
                              ctrl = Qt::ControlModifier;
  const std::vector<Step> multi = {{none, 2, {2}},
                                   {shift, 5, {2, 3, 4, 5}},
                                   {ctrl, 3, {2, 4, 5}},
                                   {shift, 0, {0, 1, 2, 3}},
                                   {ctrl, 7, {0, 1, 2, 3, 7}},
                                   {ctrl, 7, {0, 1, 2, 3}},
                                   {none, 6, {6}}};
  const std::vector<Step> single = {{none, 2, {2}}, {shift, 5, {5}}, {ctrl, 3, {3}}};
  AddItems(8);
  for (const bool multiSelect : {true, false}) {
    box.SetMultiSelect(multiSelect);
    for (const Step& step : multiSelect ? multi : single) {
      Click(step.row, step.held);
      EXPECT_EQ(Selected(), step.selected) << "MultiSelect " << multiSelect << " row " << step.row;
      EXPECT_EQ(box.ListIndex(), step.row);
    }
  }
}

TEST_F(InputTest, ShiftClickWithoutAnchorSelectsTheItemAlone) {
  AddItems(8);
  box.SetMultiSelect(true);
  Click(4, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), std::vector<int>({4}));
  Click(6, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), std::vector<int>({4, 5, 6})) << "the first click set the anchor";
}

TEST_F(InputTest, ClicksThatChangeNothingRaiseNothing) {
  Click(0);  // an empty list
  AddItems(3);
  Click(5);  // below the last item
  EXPECT_EQ(events, QStringList({"Click", "MouseUp 1", "Click"}))
      << events.join(", ").toStdString();
  EXPECT_EQ(box.ListIndex(), 0);
  EXPECT_EQ(box.SelCount(), 0);
  box.SetMultiSelect(true);
  Click(0);
  Click(2, Qt::ShiftModifier);
  events.clear();
  QTest::mousePress(box.viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(1));
  EXPECT_EQ(Selected(), std::vector<int>({0, 1, 2}));
  EXPECT_FALSE(events.contains("SelChange")) << events.join(", ").toStdString();
  EXPECT_FALSE(events.join(",").contains("MouseDown")) << events.join(", ").toStdString();
}

TEST_F(InputTest, NavigationKeysAtBothEnds) {
  struct Case {
    int from;
    Qt::Key key;
    int to;
  } const cases[] = {
      {0, Qt::Key_Up, 0},     {0, Qt::Key_Home, 0},     {7, Qt::Key_Down, 7},
      {7, Qt::Key_End, 7},    {3, Qt::Key_Up, 2},       {3, Qt::Key_Down, 4},
      {5, Qt::Key_Home, 0},   {2, Qt::Key_End, 7},      {2, Qt::Key_PageDown, 7},
      {6, Qt::Key_PageUp, 0}, {7, Qt::Key_PageDown, 7}, {0, Qt::Key_PageUp, 0},
  };
  AddItems(8);  // fewer than the 10 visible rows: a page is longer than the list
  for (const Case& c : cases) {
    box.SetListIndex(c.from);
    events.clear();
    QTest::keyClick(&box, c.key);
    EXPECT_EQ(box.ListIndex(), c.to) << c.from << " key " << c.key;
    EXPECT_EQ(Selected(), std::vector<int>({c.to})) << c.from << " key " << c.key;
    EXPECT_EQ(events.contains("SelChange"), c.from != c.to) << c.from << " key " << c.key;
  }
}

TEST_F(InputTest, ShiftKeysExtendFromTheAnchorAndCtrlDoesNothing) {
  AddItems(30);
  box.SetMultiSelect(true);
  Click(3);
  QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&box, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), std::vector<int>({3, 4, 5}));
  QTest::keyClick(&box, Qt::Key_Home, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), std::vector<int>({0, 1, 2, 3}));
  QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Selected(), std::vector<int>({29}));
  EXPECT_EQ(VBar().value(), 20) << "the new item is the bottom row";
  QTest::keyClick(&box, Qt::Key_PageUp, Qt::ShiftModifier);
  EXPECT_EQ(box.ListIndex(), 19);
  EXPECT_EQ(Selected().size(), 11u);
}

TEST_F(InputTest, EventsComeInTheirOrder) {
  AddItems(5);
  struct Case {
    const char* name;
    std::function<void()> act;
    QStringList expected;
  } const cases[] = {
      {"click", [&] { Click(1); }, {"SelChange", "MouseDown 1 0", "MouseUp 1", "Click"}},
      {"key down",
       [&] { QTest::keyClick(&box, Qt::Key_Down); },
       {"KeyDown 40 0", "SelChange", "MouseDown 999 0", "KeyUp 40"}},
      {"typed a",
       [&] { QTest::keyClick(&box, Qt::Key_A, Qt::NoModifier); },
       {"KeyDown 65 0", "KeyPress 97", "KeyUp 65"}},
      {"double click",
       [&] {
         QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
         QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
       },
       {"DbClick", "MouseUp 1"}},
  };
  for (const Case& c : cases) {
    events.clear();
    c.act();
    EXPECT_EQ(events, c.expected) << c.name << ": " << events.join(", ").toStdString();
  }
}

TEST_F(InputTest, AHostThatZeroesTheKeyCodeCancelsTheNavigation) {
  AddItems(5);
  box.SetListIndex(1);
  cancelKeys = true;
  QTest::keyClick(&box, Qt::Key_End);
  EXPECT_EQ(box.ListIndex(), 1);
}

TEST_F(InputTest, KeyRepeatOnAnEmptyListDoesNothing) {
  for (int i = 0; i < 50; ++i) QTest::keyPress(&box, Qt::Key_Down, Qt::NoModifier, 0);
  QTest::keyRelease(&box, Qt::Key_Down);
  EXPECT_FALSE(events.contains("SelChange"));
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.SelCount(), 0);
}

TEST_F(InputTest, DraggingBelowASingleSelectionListScrollsToTheEnd) {
  AddItems(40);
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(0));
  Move(RowPoint(3), Qt::LeftButton);
  EXPECT_EQ(Selected(), std::vector<int>({3})) << "a drag inside selects the row under it";
  Move(QPoint(30, 260), Qt::LeftButton);  // below the window
  QElapsedTimer waited;
  waited.start();
  while (box.ListIndex() != 39 && waited.elapsed() < 20000) QTest::qWait(20);
  EXPECT_EQ(box.ListIndex(), 39);
  EXPECT_EQ(Selected(), std::vector<int>({39}));
  EXPECT_EQ(VBar().value(), VBar().maximum());
  QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 260));
  Move(QPoint(30, -40), Qt::NoButton);  // a move without the button scrolls nothing
  QTest::qWait(100);
  EXPECT_EQ(box.ListIndex(), 39);
}

TEST_F(InputTest, DraggingWithMultiSelectSelectsTheRangeAndReportsOnRelease) {
  AddItems(40);
  box.SetMultiSelect(true);
  QTest::mousePress(box.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
  events.clear();
  Move(RowPoint(5), Qt::LeftButton);
  EXPECT_EQ(Selected(), std::vector<int>({2, 3, 4, 5}));
  EXPECT_FALSE(events.contains("SelChange"));
  Move(QPoint(30, 215), Qt::LeftButton);  // just past the lower edge: one row further
  EXPECT_EQ(box.ListIndex(), 10);
  EXPECT_EQ(VBar().value(), 1);
  QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 215));
  EXPECT_EQ(events.mid(events.size() - 2), QStringList({"SelChange", "MouseUp 1"}));
}

TEST_F(InputTest, TheTipShowsOnlyForACutOffRow) {
  box.AddItem("short", -1, -1, false, false);
  box.AddItem(QString(80, u'w'), -1, -1, false, false);
  box.AddItem("a&b<%S%>\nc", -1, -1, false, true);
  struct Case {
    int row;
    bool shown;
  } const cases[] = {{0, false}, {1, true}, {0, false}, {1, true}, {5, false}};
  for (const Case& c : cases) {
    Move(RowPoint(c.row), Qt::NoButton);
    EXPECT_EQ(box.Tip().isVisible(), c.shown) << "row " << c.row;
  }
  Move(RowPoint(1), Qt::NoButton);
  ASSERT_TRUE(box.Tip().isVisible());
  EXPECT_GT(box.Tip().width(), box.viewport()->width()) << "the tip holds the whole text";
  EXPECT_EQ(box.Tip().geometry().top(), box.viewport()->mapToGlobal(QPoint(0, 20)).y() + 3);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&box, &leave);
  EXPECT_FALSE(box.Tip().isVisible());
}

}  // namespace
}  // namespace corvane
