// Mouse and keyboard: clicks and keys move the current item and the
// selection, drags select or scroll, and a row whose text is cut off shows
// its whole text in a floating tip while the mouse is over it.

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "listctl/full_text_tip.h"
#include "listctl/mc_list_box.h"
#include "listctl/row_geometry.h"

namespace corvane {

namespace {

using list_input::kAlt, list_input::kCtrl, list_input::kShift;
using list_input::kDown, list_input::kEnd, list_input::kHome, list_input::kPageDown,
    list_input::kPageUp, list_input::kUp;
using list_input::kKeyboardButton, list_input::kLeftButton, list_input::kMiddleButton,
    list_input::kRightButton, list_input::kNoKey;

int ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return kLeftButton;
    case Qt::RightButton: return kRightButton;
    case Qt::MiddleButton: return kMiddleButton;
    default: return 0;
  }
}

int ButtonsCode(Qt::MouseButtons held) {
  return (held.testFlag(Qt::LeftButton) ? kLeftButton : 0) |
         (held.testFlag(Qt::RightButton) ? kRightButton : 0) |
         (held.testFlag(Qt::MiddleButton) ? kMiddleButton : 0);
}

int ShiftCode(Qt::KeyboardModifiers held) {
  return (held.testFlag(Qt::ShiftModifier) ? kShift : 0) |
         (held.testFlag(Qt::ControlModifier) ? kCtrl : 0) |
         (held.testFlag(Qt::AltModifier) ? kAlt : 0);
}

int KeyCode(int key) {
  struct Pair {
    int qt, code;
  };
  static constexpr Pair kKeys[] = {
      {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
      {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},
      {Qt::Key_Escape, 27},   {Qt::Key_PageUp, 33},  {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
      {Qt::Key_Home, 36},     {Qt::Key_Left, 37},    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
      {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},  {Qt::Key_Delete, 46}};
  for (const Pair& pair : kKeys) {
    if (pair.qt == key) return pair.code;
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ||
      key == Qt::Key_Space)
    return key;
  return kNoKey;
}

}  // namespace

double McListBox::RowH() const { return StretchedRowHeight(viewport()->height(), visibleRows_); }

const QWidget& McListBox::Tip() const { return *tip_; }

// --- Selection by mouse and keys ---

void McListBox::MouseDownAt(int button, int shift, double x, double y, Qt::KeyboardModifiers held) {
  ClampListIndex();
  if (items_.Count() == 0) return;
  int target = 0;
  if (button == kKeyboardButton) {
    target = RoundEven(x);
  } else {
    if (button == kRightButton && selection_.Count() >= 2)
      return;  // a right click keeps a multiple selection
    const double rowH = RowH();
    if (rowH <= 0) return;
    target = verticalScrollBar()->value() + static_cast<int>(std::floor(y / rowH));
  }
  // Below the last item of a short list, or no row at all: nothing happens.
  if (!items_.Contains(target)) return;
  listIndex_ = target;
  ScrollIntoView(target);
  const bool multi = props_.multiSelect;
  if (multi && button == kLeftButton && held.testFlag(Qt::ControlModifier)) {
    if (!selection_.Remove(target)) {
      selection_.Add(target);
      selection_.SortAscending();
    }
    anchor_ = target;
  } else if (multi && held.testFlag(Qt::ShiftModifier) && items_.Contains(anchor_)) {
    selection_.Reset();
    for (int i = std::min(anchor_, target); i <= std::max(anchor_, target); ++i) selection_.Add(i);
    selection_.SortAscending();
  } else {
    // A plain click, and a Shift+click before any click has set an anchor.
    anchor_ = target;
    selection_.Reset();
    selection_.Add(target);
  }
  Redraw();
  emit selectionChanged();
  emit mousePressed(button, shift, static_cast<float>(x), static_cast<float>(y));
}

// A current item that the view has left behind (the log follows its newest
// line) is first taken to the nearest row in view, so that the keys move
// from what the user sees.
void McListBox::CurrentIntoView() {
  ClampListIndex();
  if (!BarShown(Qt::Vertical) || items_.Count() == 0) return;
  const int top = verticalScrollBar()->value();
  listIndex_ = std::clamp(listIndex_, top, std::min(top + visibleRows_, items_.Count()) - 1);
}

void McListBox::Navigate(int keyCode, Qt::KeyboardModifiers held) {
  CurrentIntoView();
  const int count = items_.Count();
  if (count == 0) return;
  int target = listIndex_;
  switch (keyCode) {
    case kUp: target = listIndex_ - 1; break;
    case kDown: target = listIndex_ + 1; break;
    case kHome: target = 0; break;
    case kEnd: target = count - 1; break;
    case kPageUp: target = listIndex_ - visibleRows_; break;
    case kPageDown: target = listIndex_ + visibleRows_; break;
    default: return;
  }
  target = std::max(std::min(target, count - 1), 0);
  if (target == listIndex_) return;
  ScrollIntoView(target);
  // Ctrl does nothing on the keyboard; Shift extends from the anchor.
  MouseDownAt(kKeyboardButton, 0, target, 0, held & Qt::ShiftModifier);
}

// One item of a single-selection drag: it alone is selected and in view.
// False when the target is no item; past the end the last item becomes
// current, as in a multiple-selection drag, and the selection stays.
bool McListBox::SingleDragTo(int target) {
  if (!items_.Contains(target)) {
    if (items_.Count() > 0) listIndex_ = target < 0 ? 0 : items_.Count() - 1;
    Redraw();
    return false;
  }
  listIndex_ = target;
  if (target != lastDragIndex_) {
    lastDragIndex_ = target;
    selection_.Reset();
    selection_.Add(target);
    ScrollIntoView(target);
    Redraw();
    emit selectionChanged();
  }
  return true;
}

// While the button is held above or below the control, the list runs one
// item per tick towards its start or end.
void McListBox::DragStep() {
  if (!leftDown_ || yInside_ || props_.multiSelect || items_.Count() == 0) {
    dragTimer_.stop();
    return;
  }
  ClampListIndex();
  const int target = std::clamp(listIndex_ + dragDirection_, 0, items_.Count() - 1);
  if (target == listIndex_) {
    dragTimer_.stop();
    return;
  }
  SingleDragTo(target);
}

// --- Qt events ---

void McListBox::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) leftDown_ = true;
  HideTip();
  const QPointF at = event->position();
  MouseDownAt(ButtonCode(event->button()), ShiftCode(event->modifiers()), at.x(), at.y(),
              event->modifiers());
}

void McListBox::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  const QPointF at = event->position();
  const int height = viewport()->height();
  yInside_ = at.y() >= 0 && at.y() <= height;
  const double rowH = RowH();
  const int row = rowH > 0 ? static_cast<int>(std::floor(at.y() / rowH)) : 0;
  UpdateTip(row);
  const Qt::KeyboardModifiers held = event->modifiers();
  const bool left = event->buttons().testFlag(Qt::LeftButton) && leftDown_;
  const int target = verticalScrollBar()->value() + row;
  if (left && props_.multiSelect && !held.testAnyFlags(Qt::ControlModifier | Qt::ShiftModifier)) {
    if (!items_.Contains(target)) {
      if (items_.Count() > 0) listIndex_ = target < 0 ? 0 : items_.Count() - 1;
      return;
    }
    if (target == lastDragIndex_) return;
    listIndex_ = target;
    ScrollIntoView(target);
    const int from = items_.Contains(anchor_) ? anchor_ : target;
    selection_.Reset();
    for (int i = std::min(from, target); i <= std::max(from, target); ++i) selection_.Add(i);
    selection_.SortAscending();
    Redraw();  // the button's release reports the change
  } else if (left && !props_.multiSelect) {
    dragDirection_ = at.y() < 0 ? -1 : 1;
    if (yInside_) {
      dragTimer_.stop();
      if (!SingleDragTo(target)) return;
    } else if (!dragTimer_.isActive()) {
      dragTimer_.start();
    }
  }
  const bool beyondItems =
      props_.rowHeight > 0 && std::floor(at.y() / props_.rowHeight) > items_.Count() - 1;
  viewport()->setCursor(beyondItems ? Qt::ArrowCursor : Qt::PointingHandCursor);
  lastDragIndex_ = listIndex_;
  emit mouseMoved(ButtonsCode(event->buttons()), ShiftCode(held), static_cast<float>(at.x()),
                  static_cast<float>(at.y()));
}

void McListBox::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) leftDown_ = false;
  dragTimer_.stop();
  const QPointF at = event->position();
  if (items_.Contains(listIndex_)) {
    if (props_.multiSelect && selection_.Count() >= 2) emit selectionChanged();
    emit mouseReleased(ButtonCode(event->button()), ShiftCode(event->modifiers()),
                       static_cast<float>(at.x()), static_cast<float>(at.y()));
  }
  const bool click = event->button() == Qt::LeftButton && !doubleClicked_ &&
                     viewport()->rect().contains(at.toPoint());
  doubleClicked_ = false;
  if (click) emit clicked();
}

// A double click that opens or closes the current item keeps the items it
// inserted: the layout is brought up to date without listing them again.
void McListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  doubleClicked_ = true;
  if (event->button() == Qt::LeftButton) leftDown_ = true;
  if (event->button() != Qt::LeftButton) return;
  if (OpenOrClose(ListIndex())) {
    Relayout();
  } else {
    Refresh();
  }
  emit doubleClicked();
}

// The key goes to the host first; a host that sets the code to 0 cancels
// the navigation. Typed characters follow as characterTyped, one per character.
void McListBox::keyPressEvent(QKeyEvent* event) {
  event->accept();
  int keyCode = KeyCode(event->key());
  int shift = ShiftCode(event->modifiers());
  emit keyPressed(keyCode, shift);
  if (keyCode != kNoKey && event->matches(QKeySequence::Copy)) CopySelection();
  if (keyCode != kNoKey) Navigate(keyCode, event->modifiers());
  for (const QChar c : event->text()) {
    int keyAscii = c.unicode();
    emit characterTyped(keyAscii);
  }
}

void McListBox::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  int keyCode = KeyCode(event->key());
  int shift = ShiftCode(event->modifiers());
  emit keyReleased(keyCode, shift);
}

void McListBox::hideEvent(QHideEvent* event) {
  QAbstractScrollArea::hideEvent(event);
  dragTimer_.stop();
  leftDown_ = false;
  HideTip();
}

// The selected rows' text as drawn, one line each, in list order.
void McListBox::CopySelection() {
  std::vector<int> rows;
  for (int k = 0; k < selection_.Count(); ++k) rows.push_back(selection_.At(k));
  std::sort(rows.begin(), rows.end());
  const ListView view = View();
  QStringList lines;
  for (const int row : rows) {
    int xOffset = 0;
    if (items_.Contains(row)) lines << ShownText(view, row, nullptr, -1, xOffset);
  }
  if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join(u'\n'));
}

// --- The full-text tip ---

void McListBox::UpdateTip(int viewRow) {
  const int index = verticalScrollBar()->value() + viewRow;
  if (viewRow < 0 || !items_.Contains(index) || !isVisible()) {
    HideTip();
    return;
  }
  int xOffset = -horizontalScrollBar()->value();
  const QString text = ShownText(View(), index, nullptr, -1, xOffset);
  QFont font = props_.font;
  font.setBold(items_.At(index).bold);
  const double rowH = RowH();
  const int iconWidth = props_.showIcon ? IconColumnWidth(rowH) : 0;
  if (QFontMetrics(font).horizontalAdvance(text) <= viewport()->width() - iconWidth - xOffset) {
    HideTip();
    return;
  }
  if (hoverIndex_ == viewRow + 1) return;
  const QPoint origin = viewport()->mapToGlobal(QPoint(0, 0));
  const QPoint topLeft(origin.x() + iconWidth + 2 + xOffset,
                       origin.y() + 3 + static_cast<int>(std::floor(viewRow * rowH)));
  tip_->ShowText(text, font, topLeft, RoundEven(rowH),
                 QColor::fromRgb(PixelOf(props_.backColor, palette())));
  hoverIndex_ = viewRow + 1;
}

void McListBox::HideTip() {
  hoverIndex_ = -100;
  if (tip_) tip_->hide();
}

}  // namespace corvane
