#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

#include "listctl/mc_list_box.h"

namespace corvane {
namespace {

// The colour in the middle of the input line as painted now.
QRgb InputBackground(QLineEdit& input) {
  const QImage image = input.grab().toImage();
  return image.pixel(image.width() / 2, image.height() / 2) & 0xFFFFFF;
}

// A shown, active window.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    QApplication::setActiveWindow(&window);
  }
  MainWindow window{0};
};

TEST_F(MainWindowTest, TheInputLineIsGreyAndDisabledWhileACommandRunsAndEmptyAfterEveryOne) {
  QLineEdit& input = window.inputLine();
  std::vector<std::string> commands;
  std::pair<bool, QRgb> during{true, 0};  // enabled, background
  window.onCommand = [&](const std::string& line) {
    commands.push_back(line);
    during = {input.isEnabled(), InputBackground(input)};
    // What is typed now cannot reach the disabled line as a second command.
    input.setText("go");
    window.RunInput();
  };
  window.RunInput();  // an empty line runs nothing
  for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
    input.setText("stat");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, modifiers, QStringLiteral("\r"));
    QApplication::sendEvent(&input, &enter);
    EXPECT_EQ(during, std::pair(false, 0xE0E0E0u));
    EXPECT_EQ(std::pair(input.isEnabled(), InputBackground(input)), std::pair(true, 0xFFFFFFu));
    EXPECT_TRUE(input.text().isEmpty());
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"stat", "stat"}));
}

TEST_F(MainWindowTest, KeysTypedIntoTheLogViewGoToTheEndOfTheInputLine) {
  window.inputLine().setText("st");
  window.inputLine().setCursorPosition(0);
  window.logView().setFocus();
  const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> keys[] = {
      {Qt::Key_C, Qt::ControlModifier, "\x03"},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b"},
      {Qt::Key_A, Qt::NoModifier, "a"},
      {Qt::Key_T, Qt::NoModifier, "t"}};
  for (const auto& [code, held, typed] : keys) {
    QKeyEvent key(QEvent::KeyPress, code, held, QString::fromLatin1(typed));
    QApplication::sendEvent(&window.logView(), &key);
  }
  EXPECT_EQ(window.inputLine().text(), QStringLiteral("stat")) << "only printable keys go there";
  EXPECT_EQ(window.inputLine().cursorPosition(), 4);
  EXPECT_EQ(QApplication::focusWidget(), &window.inputLine());
}

// Tab and Shift+Tab between the two; the log view's focus is seen at its current line.
TEST_F(MainWindowTest, TabMovesAVisibleFocusBetweenTheInputLineAndTheLogView) {
  for (int i = 0; i < 200; ++i) window.AddItem("line " + std::to_string(i), false);
  window.inputLine().setFocus();
  const QImage unfocused = window.logView().grab().toImage();
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QApplication::sendEvent(&window.inputLine(), &tab);
  ASSERT_EQ(QApplication::focusWidget(), &window.logView());
  EXPECT_NE(window.logView().grab().toImage(), unfocused);
  QKeyEvent backTab(QEvent::KeyPress, Qt::Key_Backtab, Qt::ShiftModifier);
  QApplication::sendEvent(&window.logView(), &backTab);
  EXPECT_EQ(QApplication::focusWidget(), &window.inputLine());
  EXPECT_EQ(window.logView().grab().toImage(), unfocused);
}

// Even a line below the log level, which the view does not show, brings the
// view back to its newest line.
TEST_F(MainWindowTest, EveryLoggedLineScrollsTheViewToItsNewestLine) {
  for (int i = 0; i < 200; ++i) window.ShowLogLine("line", false, true);
  window.logView().verticalScrollBar()->setValue(0);
  window.ShowLogLine("hidden", false, false);
  EXPECT_EQ(window.logView().ListCount(), 200);
  EXPECT_EQ(window.logView().verticalScrollBar()->value(), 200 - window.logView().VisibleRows());
}

}  // namespace
}  // namespace corvane
