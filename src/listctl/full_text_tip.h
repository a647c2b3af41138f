#pragma once

// The floating tip that shows the whole text of a row that is cut off: a
// small top-level window without a task-bar entry that never takes input.

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace corvane {

class FullTextTip : public QWidget {
 public:
  FullTextTip();

  // Shows `text` in a box whose top-left corner is `topLeft` (screen
  // pixels), one row high unless the text is wrapped: it is wrapped when it
  // does not fit between the box's left edge and the screen's right edge.
  void ShowText(const QString& text, const QFont& font, QPoint topLeft, int rowH, QColor back);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  int textTop_ = 0;
};

}  // namespace corvane
