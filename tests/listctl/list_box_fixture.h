#pragma once

// A shown list control of a known size, and its picture, items, selection and bars.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <vector>

#include "listctl/mc_list_box.h"

namespace corvane::test {

// Runs what a change posted: the repaint and the queued bar updates.
inline void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// The properties of `bag` without a frame and bars until needed, so that the
// viewport is the whole widget.
inline void ShowPlain(McListBox& box, QVariantMap bag = {}) {
  bag.insert({{"borderstyle", 0}, {"autohidescrollbars", true}});
  box.ReadProperties(bag);
  box.resize(200, 100);
  box.show();
  Settle();
}

// Delivers `event` to `to` at once.
inline void Send(QObject* to, QEvent&& event) { QApplication::sendEvent(to, &event); }

inline QImage Shot(McListBox& box) {
  Settle();
  return box.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline void AddItems(McListBox& box, int count, const QString& prefix = QStringLiteral("item ")) {
  for (int i = 0; i < count; ++i) box.AddItem(prefix + QString::number(i), {.refresh = false});
  box.Refresh();
}

template <typename Box>
class BoxTest : public ::testing::Test {
 protected:
  void SetUp() override { ShowPlain(box); }

  QStringList Texts() const {
    QStringList texts;
    for (int i = 0; i < box.ListCount(); ++i) texts << box.List(i);
    return texts;
  }

  std::vector<int> Selected() const {
    std::vector<int> selected;
    for (int k = 0; k < box.SelCount(); ++k) selected.push_back(box.SelItem(k));
    return selected;
  }

  QScrollBar& VBar() { return *box.verticalScrollBar(); }

  Box box;
};

using ListBoxTest = BoxTest<McListBox>;

}  // namespace corvane::test
