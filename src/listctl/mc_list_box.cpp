#include "listctl/mc_list_box.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <climits>
#include <stdexcept>

#include "listctl/full_text_tip.h"
#include "listctl/gdi_surface.h"
#include "listctl/list_painter.h"
#include "listctl/row_geometry.h"

namespace corvane {

namespace {

// The deferred refresh ticks every millisecond and refreshes on the fifth.
constexpr int kRefreshTickMs = 1;
constexpr int kRefreshTicks = 5;
// A single-selection drag held above or below the control moves one item
// this often.
constexpr int kDragStepMs = 30;

}  // namespace

McListBox::McListBox(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);  // the full-text tip follows the mouse
  setFocusPolicy(Qt::StrongFocus);
  // The page sizes are in force before the first Refresh, so that its range
  // already lets the last item reach the bottom row.
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(5);
  horizontalScrollBar()->setSingleStep(5);
  horizontalScrollBar()->setPageStep(15);
  refreshTimer_.setInterval(kRefreshTickMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &McListBox::OnRefreshTick);
  dragTimer_.setInterval(kDragStepMs);
  connect(&dragTimer_, &QTimer::timeout, this, &McListBox::DragStep);
  tip_ = std::make_unique<FullTextTip>();
  InitProperties();
  Refresh();
}

McListBox::~McListBox() = default;

void McListBox::CheckIndex(int index) const {
  if (!items_.Contains(index)) throw std::out_of_range("McListBox: item index out of range");
}

// --- Items ---

QString McListBox::Text() const {
  return items_.Contains(listIndex_) ? items_.At(listIndex_).text.ToString() : QString();
}

QString McListBox::List(int index) const {
  return items_.Contains(index) ? items_.At(index).text.ToString() : QString();
}

void McListBox::SetList(int index, const QString& text) {
  if (items_.Contains(index)) items_.At(index).text = text;
}

int McListBox::ListIcon(int index) const {
  CheckIndex(index);
  return items_.At(index).icon;
}

void McListBox::SetListIcon(int index, int icon) {
  CheckIndex(index);
  items_.At(index).icon = icon;
  Redraw();
}

bool McListBox::ListBold(int index) const {
  CheckIndex(index);
  return items_.At(index).bold;
}

void McListBox::SetListBold(int index, bool bold) {
  CheckIndex(index);
  items_.At(index).bold = bold;
  Redraw();
}

int McListBox::SelItem(int k) const {
  if (k < 0 || k >= selection_.Count()) throw std::out_of_range("McListBox: selection index");
  return selection_.At(k);
}

void McListBox::AddItem(const QString& text, const AddItemOptions& options) {
  if (props_.mode != ListMode::Items) return;
  if (options.index != -1) CheckIndex(options.index);
  items_.Insert(options.index, ListItem{text, options.icon, options.bold, nullptr});
  if (options.refresh) {
    Refresh();
  } else if (props_.autoRefresh) {
    refreshTicks_ = 0;
    refreshTimer_.start();
  }
}

void McListBox::OnRefreshTick() {
  if (++refreshTicks_ < kRefreshTicks) return;
  refreshTimer_.stop();
  refreshTicks_ = 0;
  Refresh();
}

void McListBox::Remove(int index) {
  if (props_.mode != ListMode::Items) return;
  CheckIndex(index == -1 ? ListIndex() : index);
  items_.Remove(index == -1 ? listIndex_ : index);
  SortItems();
  Refresh();
}

void McListBox::RemoveOldest(int count) {
  if (props_.mode != ListMode::Items) return;
  const int n = std::clamp(count, 0, items_.Count());
  if (n == 0) return;
  items_.RemoveFirst(n);
  selection_.DropFirst(n);
  listIndex_ = std::max(0, listIndex_ - n);
  anchor_ = anchor_ >= n ? anchor_ - n : -1;
  // The rows on screen move up by n, the view follows them.
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(std::max(0, bar->value() - n));
  Refresh();
}

void McListBox::Clear() {
  if (props_.mode != ListMode::Items) return;
  items_.Clear();
  selection_.Reset();
  anchor_ = -1;
  Refresh();
}

// --- Selection ---

void McListBox::SetListIndex(int index) {
  if (!items_.Contains(index)) return;
  listIndex_ = index;
  ScrollIntoView(index);
  selection_.Reset();
  selection_.Add(index);
  Redraw();
  emit selectionChanged();
}

// The item becomes the top row when above the view, the bottom row when
// below it.
void McListBox::ScrollIntoView(int index) {
  if (!BarShown(Qt::Vertical)) return;
  QScrollBar* bar = verticalScrollBar();
  if (index < bar->value()) bar->setValue(index);
  const int wholeRows = props_.rowHeight > 0 ? viewport()->height() / props_.rowHeight : 0;
  if (wholeRows + bar->value() <= index) bar->setValue(index - visibleRows_ + 1);
}

void McListBox::ClearSelection() {
  selection_.Reset();
  if (items_.Contains(listIndex_)) selection_.Add(listIndex_);
  Redraw();
  emit selectionChanged();
}

void McListBox::SelectAll() {
  selection_.Reset();
  for (int i = 0; i < items_.Count(); ++i) selection_.Add(i);
  Redraw();
  emit selectionChanged();
}

void McListBox::SelectItem(int item) {
  if (items_.Contains(item)) selection_.Add(item);
  Redraw();
  emit selectionChanged();
}

void McListBox::ClampListIndex() {
  listIndex_ = std::clamp(listIndex_, 0, std::max(0, items_.Count() - 1));
}

void McListBox::SortItems() {
  if ((props_.mode == ListMode::Items || props_.mode == ListMode::Files) &&
      props_.sortOrder != Sorting::None)
    items_.Sort(props_.sortOrder);
}

// --- Layout and scroll bars ---

// In the other modes every refresh lists the entries again, once; the
// layout passes below never do.
void McListBox::Refresh() {
  if (refreshing_) {
    refreshAgain_ = true;
    return;
  }
  if (props_.mode != ListMode::Items) ReplaceItems(ListEntries());
  Relayout();
}

void McListBox::ReplaceItems(std::vector<ListItem> items) {
  items_.Clear();
  selection_.Reset();
  anchor_ = -1;
  lastDragIndex_ = -1;
  HideTip();
  items_.InsertAll(0, std::move(items));
}

void McListBox::ReplaceBelow(int parent, int count, std::vector<ListItem> items) {
  const int first = parent + 1;
  const int end = first + count;
  const int inserted = static_cast<int>(items.size());
  items_.RemoveRange(first, count);
  items_.InsertAll(first, std::move(items));
  std::vector<int> kept;
  for (int k = 0; k < selection_.Count(); ++k) {
    const int selected = selection_.At(k);
    if (selected < first) {
      kept.push_back(selected);
    } else if (selected >= end) {
      kept.push_back(selected - count + inserted);
    }
  }
  selection_.Reset();
  for (int selected : kept) selection_.Add(selected);
  if (anchor_ > parent) anchor_ = parent;
}

void McListBox::Relayout() {
  // Showing or hiding a bar resizes the viewport, whose resize asks for a
  // refresh again: that one runs here, after this pass, a bounded number of
  // times.
  if (refreshing_) {
    refreshAgain_ = true;
    return;
  }
  refreshing_ = true;
  for (int pass = 0; pass < 3; ++pass) {
    refreshAgain_ = false;
    if (props_.rowHeight > 0)
      visibleRows_ = corvane::VisibleRows(viewport()->height(), props_.rowHeight);
    UpdateVerticalBar();
    SortItems();
    Redraw();
    if (!refreshAgain_) break;
  }
  refreshing_ = false;
  emit refreshed();
}

void McListBox::UpdateVerticalBar() {
  QScrollBar* bar = verticalScrollBar();
  if (items_.Count() > visibleRows_) {
    ShowBar(Qt::Vertical, true);
    bar->setEnabled(true);
    // A range that grows moves no value. Its rangeChanged would only post
    // the scroll area's queued show-or-hide check, idle under the fixed bar
    // policies, once for every line the log adds.
    const int maximum = items_.Count() - visibleRows_;
    const QSignalBlocker quiet(bar->minimum() == 0 && maximum >= bar->maximum() ? bar : nullptr);
    bar->setRange(0, maximum);
  } else {
    bar->setValue(0);
    bar->setRange(0, 0);
    ShowBar(Qt::Vertical, !props_.autoHideScrollBars);
    bar->setEnabled(props_.autoHideScrollBars);
  }
  bar->setSingleStep(1);
  bar->setPageStep(5);
  horizontalScrollBar()->setSingleStep(5);
  horizontalScrollBar()->setPageStep(15);
}

// The range lets the view move by maxTextRight + 50 - width + 1 pixels.
void McListBox::UpdateHorizontalBar(int maxTextRight) {
  QScrollBar* bar = horizontalScrollBar();
  const int width = viewport()->width();
  if (width < maxTextRight) {
    ShowBar(Qt::Horizontal, true);
    bar->setEnabled(true);
    bar->setRange(0, static_cast<int>(std::min<long long>(
                         INT_MAX, static_cast<long long>(maxTextRight) + 50 - width + 1)));
  } else {
    bar->setValue(0);
    bar->setRange(0, 0);
    ShowBar(Qt::Horizontal, !props_.autoHideScrollBars);
    bar->setEnabled(props_.autoHideScrollBars);
  }
}

void McListBox::ShowBar(Qt::Orientation bar, bool show) {
  const Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (bar == Qt::Vertical && verticalScrollBarPolicy() != policy) {
    setVerticalScrollBarPolicy(policy);
  } else if (bar == Qt::Horizontal && horizontalScrollBarPolicy() != policy) {
    setHorizontalScrollBarPolicy(policy);
  }
}

bool McListBox::BarShown(Qt::Orientation bar) const {
  return (bar == Qt::Vertical ? verticalScrollBarPolicy() : horizontalScrollBarPolicy()) ==
         Qt::ScrollBarAlwaysOn;
}

void McListBox::ScrollToBottom() {
  if (!BarShown(Qt::Vertical)) return;
  verticalScrollBar()->setValue(items_.Count() - visibleRows_);
  Redraw();
}

// --- Drawing ---

void McListBox::Redraw() {
  ClampListIndex();
  composePending_ = true;
  viewport()->update();
}

void McListBox::Compose() {
  composePending_ = false;
  // Device pixels: text and lines are drawn at the screen's resolution,
  // never scaled up from a picture of the logical size.
  const qreal ratio = viewport()->devicePixelRatioF();
  if (!BackImageFits()) backImage_ = DeviceImage(viewport()->size(), ratio);
  const ListView view = View();
  const std::optional<int> maxTextRight = PaintList(backImage_, view);
  // Changing a bar relayouts the viewport, which must not happen while it
  // paints: the range follows right after.
  if (maxTextRight) {
    QMetaObject::invokeMethod(
        this, [this, right = *maxTextRight] { UpdateHorizontalBar(right); }, Qt::QueuedConnection);
  }
}

bool McListBox::BackImageFits() const {
  return !backImage_.isNull() && LogicalSize(backImage_) == viewport()->size() &&
         backImage_.devicePixelRatio() == std::max<qreal>(1, viewport()->devicePixelRatioF());
}

ListView McListBox::View() const {
  return ListView{props_,
                  items_,
                  selection_,
                  imageList_ ? &*imageList_ : nullptr,
                  palette(),
                  listIndex_,
                  visibleRows_,
                  verticalScrollBar()->value(),
                  horizontalScrollBar()->value(),
                  hasFocus_,
                  diskDecor_.icon ? &diskDecor_ : nullptr};
}

void McListBox::SetImageList(QList<QPixmap> images) {
  imageList_ = std::move(images);
  Redraw();
}

}  // namespace corvane
