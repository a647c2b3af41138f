// The control's Qt events: painting, resizing, scrolling, the wheel, the
// mouse entering and leaving, and the keyboard focus.

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "listctl/mc_list_box.h"
#include "listctl/row_geometry.h"

namespace corvane {

// A window moved to a screen of another device pixel ratio repaints whole;
// the back image is then composed again at the new ratio.
void McListBox::paintEvent(QPaintEvent*) {
  if (composePending_ || !BackImageFits()) Compose();
  QPainter painter(viewport());
  painter.drawImage(0, 0, backImage_);
}

// In the other modes a resize lists the entries again only when the number
// of rows changes, and never in the tree modes, whose open folders a new
// listing would close.
void McListBox::resizeEvent(QResizeEvent*) {
  const int rows = corvane::VisibleRows(viewport()->height(), props_.rowHeight);
  const bool tree = props_.mode == ListMode::DriveTree || props_.mode == ListMode::FileTree;
  if (props_.mode == ListMode::Items || (!tree && rows != visibleRows_)) {
    Refresh();
  } else {
    Relayout();
  }
}

// A scroll bar moved (arrows, page clicks, the thumb while dragged, the
// wheel): the rows are drawn anew, never shifted.
void McListBox::scrollContentsBy(int, int) { Redraw(); }

namespace {

constexpr double kNotch = 120;  // eighths of a degree: one click of a wheel

// Adds `delta` to what is left of earlier turns and takes the whole `unit`s
// out of it: a high-resolution wheel that reports a notch in pieces scrolls
// as far as one that reports it at once. What is left of a turn the other
// way is dropped.
int TakeSteps(double& left, double delta, double unit) {
  if ((left < 0 && delta > 0) || (left > 0 && delta < 0)) left = 0;
  left += delta;
  const double steps = std::trunc(left / unit);
  left -= steps * unit;
  return static_cast<int>(std::clamp(steps, -1e6, 1e6));
}

}  // namespace

// A notch moves a bar by its line step: a row, or 5 pixels sideways. A
// touchpad's pixels move the rows by the row height, the columns pixel for
// pixel. Ctrl turns the vertical wheel into the horizontal one; a list that
// fits ignores the vertical wheel.
void McListBox::wheelEvent(QWheelEvent* event) {
  event->accept();
  HideTip();
  const bool byPixels = !event->pixelDelta().isNull();
  const QPoint delta = byPixels ? event->pixelDelta() : event->angleDelta();
  if (delta.y() != 0 && items_.Count() > visibleRows_) {
    WheelScroll(event->modifiers().testFlag(Qt::ControlModifier) ? Qt::Horizontal : Qt::Vertical,
                delta.y(), byPixels);
  }
  if (delta.x() != 0) WheelScroll(Qt::Horizontal, delta.x(), byPixels);
}

void McListBox::WheelScroll(Qt::Orientation bar, int delta, bool byPixels) {
  if (!BarShown(bar)) return;
  QScrollBar* scrollBar = bar == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
  int move = 0;
  if (!byPixels) {
    move = TakeSteps(wheelNotches_[bar == Qt::Vertical ? 0 : 1], -delta, kNotch) *
           scrollBar->singleStep();
  } else if (bar == Qt::Horizontal) {
    move = -delta;
  } else if (RowH() > 0) {
    move = TakeSteps(wheelPixels_, -delta, RowH());
  }
  if (move != 0)
    scrollBar->setValue(
        static_cast<int>(std::clamp<long long>(0LL + scrollBar->value() + move, INT_MIN, INT_MAX)));
}

void McListBox::enterEvent(QEnterEvent*) {
  if (mouseInside_) return;
  mouseInside_ = true;
  emit mouseEntered();
}

void McListBox::leaveEvent(QEvent*) {
  mouseInside_ = false;
  HideTip();
  emit mouseLeft();
}

// The selection looks differ with and without the focus, so both changes
// repaint. The focus that Tab brings finds the current item in view, as a
// click would.
void McListBox::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  hasFocus_ = true;
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) CurrentIntoView();
  Redraw();
}

void McListBox::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  hasFocus_ = false;
  Redraw();
}

}  // namespace corvane
