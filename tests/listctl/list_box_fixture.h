#pragma once

// A shown list control of a known viewport size, and what the tests read
// from it: its picture and its scroll bars.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include "listctl/mc_list_box.h"

namespace corvane::test {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kRed = 0xFFFF0000;
constexpr OleColor kOleRed = 0x0000FF;

class ListBoxTest : public ::testing::Test {
 protected:
  // No frame and no bars until needed, so the viewport is the whole widget.
  void SetUp() override {
    box.SetBorderStyle(kBorderNone);
    box.SetAutoHideScrollBars(true);
    Resize(200, 100);
    box.show();
    Settle();
  }

  // 10 rows of 20 pixels; false when the test font is taller than that.
  bool TenRowsOfTwenty() {
    Resize(200, 200);
    box.SetRowHeight(20);
    return box.RowHeight() == 20;
  }

  void Resize(int w, int h) {
    box.resize(w, h);
    Settle();
  }

  static void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  // What the viewport shows now.
  QImage Shot() {
    Settle();
    return box.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  }

  void AddItems(int count, const QString& prefix = QStringLiteral("item ")) {
    for (int i = 0; i < count; ++i) box.AddItem(prefix + QString::number(i), -1, -1, false, false);
    box.Refresh();
  }

  QScrollBar& VBar() { return *box.verticalScrollBar(); }
  QScrollBar& HBar() { return *box.horizontalScrollBar(); }

  McListBox box;
};

}  // namespace corvane::test
