// The control's Qt events: painting, resizing, scrolling, the wheel, the
// mouse entering and leaving, and the keyboard focus.

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

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

// In the directory modes a resize reads the disk again only when the number
// of rows changes, and never in the tree modes, whose open folders a new
// listing would close.
void McListBox::resizeEvent(QResizeEvent*) {
  const int rows = corvane::VisibleRows(viewport()->height(), props_.rowHeight);
  const bool reread = props_.mode >= 1 && props_.mode <= 3 && rows != visibleRows_;
  if (props_.mode == 0 || reread) {
    Refresh();
  } else {
    Relayout();
  }
}

// A scroll bar moved (arrows, page clicks, the thumb while dragged, the
// wheel): the rows are drawn anew, never shifted.
void McListBox::scrollContentsBy(int, int) { Redraw(); }

// One line per wheel event: Ctrl turns the horizontal bar. A list that fits
// ignores the wheel.
void McListBox::wheelEvent(QWheelEvent* event) {
  event->accept();
  HideTip();
  if (items_.Count() <= visibleRows_) return;
  const int delta =
      event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
  if (delta == 0) return;
  const bool horizontal = event->modifiers().testFlag(Qt::ControlModifier);
  if (!BarShown(horizontal ? Qt::Horizontal : Qt::Vertical)) return;
  QScrollBar* bar = horizontal ? horizontalScrollBar() : verticalScrollBar();
  bar->triggerAction(delta < 0 ? QAbstractSlider::SliderSingleStepAdd
                               : QAbstractSlider::SliderSingleStepSub);
}

void McListBox::enterEvent(QEnterEvent*) {
  if (mouseInside_) return;
  mouseInside_ = true;
  emit MouseEnter();
}

void McListBox::leaveEvent(QEvent*) {
  mouseInside_ = false;
  HideTip();
  emit MouseLeave();
}

// The selection looks differ with and without the focus, so both changes
// repaint.
void McListBox::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  hasFocus_ = true;
  Redraw();
}

void McListBox::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  hasFocus_ = false;
  Redraw();
}

}  // namespace corvane
