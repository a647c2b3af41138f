#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "listctl/mc_list_box.h"

namespace corvane {
namespace {

// The colour in the middle of the input line as painted now.
QRgb InputBackground(QLineEdit& input) {
  const QImage image = input.grab().toImage();
  return image.pixel(image.width() / 2, image.height() / 2) & 0xFFFFFF;
}

TEST(MainWindowTest, TheInputLineIsGreyAndDisabledWhileACommandRunsAndEmptyAfterEveryOne) {
  MainWindow window(0);
  window.show();
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
  for (const char* line : {"run", "exit"}) {
    input.setText(line);
    window.RunInput();
    EXPECT_EQ(during, std::pair(false, 0xE0E0E0u)) << line;
    EXPECT_EQ(std::pair(input.isEnabled(), InputBackground(input)), std::pair(true, 0xFFFFFFu));
    EXPECT_TRUE(input.text().isEmpty()) << line;
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"run", "exit"}));

  // Enter on an empty line runs nothing; Enter (with Shift too) runs the line.
  window.RunInput();
  EXPECT_EQ(commands.size(), 2u);
  window.onCommand = [&](const std::string& line) { commands.push_back(line); };
  for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
    input.setText("stat");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, modifiers, QStringLiteral("\r"));
    QApplication::sendEvent(&input, &enter);
  }
  EXPECT_EQ(commands, (std::vector<std::string>{"run", "exit", "stat", "stat"}));
  EXPECT_TRUE(input.text().isEmpty());
}

TEST(MainWindowTest, KeysTypedIntoTheLogViewGoToTheEndOfTheInputLine) {
  MainWindow window(0);
  window.show();
  QApplication::setActiveWindow(&window);
  window.inputLine().setText("st");
  window.inputLine().setCursorPosition(0);
  window.logView().setFocus();
  for (const char* typed : {"a", "t"}) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString::fromLatin1(typed));
    QApplication::sendEvent(&window.logView(), &key);
  }
  EXPECT_EQ(window.inputLine().text(), QStringLiteral("stat"));
  EXPECT_EQ(window.inputLine().cursorPosition(), 4);
  EXPECT_EQ(QApplication::focusWidget(), &window.inputLine());

  // Keys without a character (arrows) stay with the log view.
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(&window.logView(), &down);
  EXPECT_EQ(window.inputLine().text(), QStringLiteral("stat"));
}

TEST(MainWindowTest, TheLogViewKeepsTheNewestLinesUpToItsLimit) {
  for (const int limit : {0, 3}) {
    MainWindow window(limit);
    for (int i = 0; i < 5; ++i) window.AddItem("line " + std::to_string(i), i == 4);
    const int kept = limit == 0 ? 5 : limit;
    ASSERT_EQ(window.logView().ListCount(), kept) << limit;
    EXPECT_EQ(window.logView().List(0), QString("line %1").arg(5 - kept)) << limit;
    EXPECT_TRUE(window.logView().ListBold(kept - 1)) << limit;
  }
}

}  // namespace
}  // namespace corvane
