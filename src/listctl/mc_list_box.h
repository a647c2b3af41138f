#pragma once

// McListBox: the owner-drawn list control that serves as the log view.
//
// Members keep the control's established public names (AddItem, ListCount,
// ListIndex, ...); property getters carry the property's name and setters
// prefix it with Set. All members run on the GUI thread.
//
// Invalid arguments. ListIcon, ListBold (get and set), Remove and SelItem
// with an index outside the items, and AddItem with an index other than -1
// outside 0..ListCount()-1, throw std::out_of_range and leave the list
// unchanged. ListIndex, List and Text never fail: an index out of range is
// ignored or reads as "". Item operations in modes other than Items do nothing.
//
// Other modes. McListBox lists nothing in the modes other than Items; a
// subclass (DiskListBox) fills them through the protected members below,
// and the painter draws their tree lines, icons and drive names.
//
// Painting. Every change updates the control's state at once and asks for
// one repaint; the picture is composed into a back image at most once per
// turn of the event loop, so a burst of AddItem calls costs one paint.

#include <QAbstractScrollArea>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QVariantMap>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "listctl/item_store.h"
#include "listctl/list_painter.h"
#include "listctl/list_properties.h"
#include "listctl/selection.h"

namespace corvane {

class FullTextTip;

// The codes the mouse and key signals carry, as the control's events have
// always carried them: buttons and modifiers are bits that add up (a move
// reports every button held); key codes are those of the classic
// virtual-key table.
namespace list_input {
constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;
constexpr int kKeyboardButton = 999;  // mousePressed: the keyboard moved the current item
constexpr int kShift = 1;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;
constexpr int kNoKey = 0;  // keyPressed: a host that sets this cancels the key
constexpr int kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36, kUp = 38, kDown = 40;
}  // namespace list_input

// How McListBox::AddItem places and shows a new item.
struct AddItemOptions {
  int index = -1;  // -1 appends, else the item is inserted before item `index`
  int icon = -1;   // an image of the image list, -1 for none
  bool bold = false;
  // True brings the layout up to date at once; false lets AutoRefresh
  // schedule one refresh after a burst of additions.
  bool refresh = true;
};

class McListBox : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit McListBox(QWidget* parent = nullptr);
  ~McListBox() override;

  // --- Items and selection ---
  int ListCount() const { return items_.Count(); }
  int ListIndex() const { return items_.Count() == 0 ? -1 : listIndex_; }
  // Makes `index` the current and only selected item and scrolls it into
  // view; an index outside the items is ignored.
  void SetListIndex(int index);
  QString Text() const;
  QString List(int index) const;
  void SetList(int index, const QString& text);  // no repaint
  int ListIcon(int index) const;
  void SetListIcon(int index, int icon);
  bool ListBold(int index) const;
  void SetListBold(int index, bool bold);
  int SelCount() const { return selection_.Count(); }
  int SelItem(int k) const;

  void AddItem(const QString& text, const AddItemOptions& options = {});
  // Removes item `index`, or the current item for -1. The selection keeps
  // its indexes.
  void Remove(int index = -1);
  // Drops the `count` oldest items in one step and renumbers the current
  // item and the selection; the rows the user looks at stay in place.
  void RemoveOldest(int count);
  void Clear();
  void Refresh();
  // Leaves the current item alone selected.
  void ClearSelection();
  void SelectAll();
  // Adds the item to the selection; an index outside the items is ignored.
  void SelectItem(int item);
  // Makes the last item the bottom row when the vertical bar is shown.
  void ScrollToBottom();

  // The images icon numbers refer to, 0-based; nothing attached at first.
  void SetImageList(QList<QPixmap> images);

  // --- Properties (defaults in ListProperties) ---
  const ListProperties& Properties() const { return props_; }
  QPixmap Picture() const { return props_.picture; }
  void SetPicture(const QPixmap& picture);
  QFont Font() const { return props_.font; }
  void SetFont(const QFont& font);
  OleColor BackColor() const { return props_.backColor; }
  void SetBackColor(OleColor color);
  OleColor ForeColor() const { return props_.foreColor; }
  void SetForeColor(OleColor color);
  OleColor SelColor() const { return props_.selColor; }
  void SetSelColor(OleColor color);
  OleColor SelForeColor() const { return props_.selForeColor; }
  void SetSelForeColor(OleColor color);
  bool StrechIcon() const { return props_.strechIcon; }
  void SetStrechIcon(bool on);
  FrameLook Appearance() const { return props_.appearance; }
  void SetAppearance(FrameLook appearance);
  Border BorderStyle() const { return props_.borderStyle; }
  void SetBorderStyle(Border style);
  bool FullRowSelect() const { return props_.fullRowSelect; }
  void SetFullRowSelect(bool on);
  Sorting SortOrder() const { return props_.sortOrder; }
  void SetSortOrder(Sorting order);
  bool IconFocus() const { return props_.iconFocus; }
  void SetIconFocus(bool on);
  int TextAlignment() const { return props_.textAlignment; }
  void SetTextAlignment(int format);
  int RowHeight() const { return props_.rowHeight; }
  void SetRowHeight(int height);
  bool GridLines() const { return props_.gridLines; }
  void SetGridLines(bool on);
  OleColor GridColor() const { return props_.gridColor; }
  void SetGridColor(OleColor color);
  GradientDirection BackGradient() const { return props_.backGradient; }
  void SetBackGradient(GradientDirection direction);
  GradientDirection SelGradient() const { return props_.selGradient; }
  void SetSelGradient(GradientDirection direction);
  OleColor BackGradientCol() const { return props_.backGradientCol; }
  void SetBackGradientCol(OleColor color);
  OleColor SelGradientCol() const { return props_.selGradientCol; }
  void SetSelGradientCol(OleColor color);
  bool MultiSelect() const { return props_.multiSelect; }
  void SetMultiSelect(bool on);
  bool FocusRectangle() const { return props_.focusRectangle; }
  void SetFocusRectangle(bool on);
  bool ShowIcon() const { return props_.showIcon; }
  void SetShowIcon(bool on);
  SelectionFill SelectionStyle() const { return props_.selectionStyle; }
  void SetSelectionStyle(SelectionFill style);
  bool FlatScrollBar() const { return props_.flatScrollBar; }
  void SetFlatScrollBar(bool on);
  bool AutoHideScrollBars() const { return props_.autoHideScrollBars; }
  void SetAutoHideScrollBars(bool on);
  ListMode Mode() const { return props_.mode; }
  // Leaving for Items empties the list.
  void SetMode(ListMode mode);
  bool AutoRefresh() const { return props_.autoRefresh; }
  void SetAutoRefresh(bool on);

  // The floating tip that shows a cut-off row's whole text.
  const QWidget& Tip() const;

  // --- Persistence ---
  void InitProperties();
  void ReadProperties(const QVariantMap& bag);
  QVariantMap WriteProperties() const;

  // The whole rows that fit, as of the last Refresh.
  int VisibleRows() const { return visibleRows_; }

 signals:
  void mouseEntered();
  void mouseLeft();
  void clicked();
  void selectionChanged();
  void doubleClicked();
  // Codes of list_input; keyPressed may change the key code.
  void keyPressed(int& keyCode, int& shift);
  void characterTyped(int& keyAscii);
  void keyReleased(int& keyCode, int& shift);
  void mouseReleased(int button, int shift, float x, float y);
  void mouseMoved(int button, int shift, float x, float y);
  void mousePressed(int button, int shift, float x, float y);
  // A property was set; carries the property's name.
  void propertyChanged(const QString& name);
  // Refresh finished: rows, scroll bars and order are up to date.
  void refreshed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

  // --- For a subclass that fills the modes other than Items ---
  // The items of such a mode, read afresh by every Refresh in it; none here.
  virtual std::vector<ListItem> ListEntries() { return {}; }
  // A left double click on the current item `index` (-1: none). True when
  // the subclass changed the items below it, which then stay: the layout
  // follows without ListEntries. False (here always) refreshes.
  virtual bool OpenOrClose(int /*index*/) { return false; }
  const ItemStore& Items() const { return items_; }
  // The properties to change in place; the caller refreshes or redraws.
  ListProperties& EditableProperties() { return props_; }
  // Replaces the `count` items after item `parent` with `items`; the
  // selection keeps naming the same items, and an anchor after `parent`
  // moves to it.
  void ReplaceBelow(int parent, int count, std::vector<ListItem> items);
  // The icon and drive name that rows of DiskEntry items show.
  void SetDiskDecor(DiskDecor decor) { diskDecor_ = std::move(decor); }
  // Tells the host that property `name` was set.
  void Changed(const char* name);

 private:
  void Redraw();
  void Compose();
  // The back image has the viewport's size and device pixel ratio.
  bool BackImageFits() const;
  void ClampListIndex();
  void SortItems();
  void UpdateVerticalBar();
  void UpdateHorizontalBar(int maxTextRight);
  void ShowBar(Qt::Orientation bar, bool show);
  bool BarShown(Qt::Orientation bar) const;
  void WheelScroll(Qt::Orientation bar, int delta, bool byPixels);
  void OnRefreshTick();
  void ApplyFrame();
  void RaiseRowHeightToFont();
  int TextHeightOfA() const;
  void CheckIndex(int index) const;
  void ReplaceItems(std::vector<ListItem> items);
  template <typename T, typename V>
  void SetAndRedraw(T ListProperties::*field, const V& value, const char* name);
  void Relayout();
  ListView View() const;

  // Mouse and keyboard.
  double RowH() const;
  void MouseDownAt(int button, int shift, double x, double y, Qt::KeyboardModifiers held);
  bool SingleDragTo(int target);
  void ScrollIntoView(int index);
  void CurrentIntoView();
  void Navigate(int keyCode, Qt::KeyboardModifiers held);
  void CopySelection();
  void DragStep();
  void UpdateTip(int viewRow);
  void HideTip();

  ListProperties props_;
  ItemStore items_;
  Selection selection_;
  std::optional<QList<QPixmap>> imageList_;
  int listIndex_ = 0;
  int anchor_ = -1;  // the last plain or Ctrl click; Shift selects from here; -1 none
  int visibleRows_ = 1;
  bool hasFocus_ = false;
  bool mouseInside_ = false;
  int hoverIndex_ = -100;  // the row whose full-text tip shows; -100 none
  int lastDragIndex_ = -1;
  bool yInside_ = true;
  bool leftDown_ = false;
  bool doubleClicked_ = false;  // the release that ends a double click is no click
  QTimer dragTimer_;            // moves a single-selection drag on while outside
  int dragDirection_ = 0;
  // What the wheel turned short of a whole step: notches per bar (vertical,
  // horizontal) and touchpad pixels of the rows.
  std::array<double, 2> wheelNotches_{};
  double wheelPixels_ = 0;
  std::unique_ptr<FullTextTip> tip_;

  DiskDecor diskDecor_;

  QTimer refreshTimer_;  // the deferred refresh after AddItem without refresh
  int refreshTicks_ = 0;
  bool refreshing_ = false;
  bool refreshAgain_ = false;

  QImage backImage_;
  bool composePending_ = true;
};

}  // namespace corvane
