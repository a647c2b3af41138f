// The control's property setters, what each sets off, and the property bag.

#include <QApplication>
#include <QFile>
#include <QFontMetrics>

#include "listctl/mc_list_box.h"

namespace corvane {

namespace {

QFont AmbientFont(const QWidget* widget) {
  return widget->parentWidget() ? widget->parentWidget()->font() : QApplication::font();
}

}  // namespace

void McListBox::Changed(const char* name) { emit propertyChanged(QString::fromLatin1(name)); }

int McListBox::TextHeightOfA() const { return QFontMetrics(props_.font).height(); }

void McListBox::RaiseRowHeightToFont() {
  props_.rowHeight = std::max(props_.rowHeight, TextHeightOfA());
}

void McListBox::ApplyFrame() {
  const int width = props_.borderStyle == Border::Sunken   ? 2
                    : props_.borderStyle == Border::Static ? 1
                                                           : 0;
  if (width == 0) {
    setFrameStyle(QFrame::NoFrame);
  } else {
    setFrameStyle(QFrame::Panel |
                  (props_.appearance == FrameLook::Flat ? QFrame::Plain : QFrame::Sunken));
    setLineWidth(width);
  }
}

void McListBox::InitProperties() {
  props_ = ListProperties{};
  props_.font = AmbientFont(this);
  props_.path = QCoreApplication::applicationDirPath() + u'/';
  props_.pathBytes = QFile::encodeName(QCoreApplication::applicationDirPath()) + '/';
  QWidget::setFont(props_.font);
  SetBorderStyle(Border::Sunken);
  SetAppearance(FrameLook::Sunken);
  SetBackColor(props_.backColor);
}

void McListBox::ReadProperties(const QVariantMap& bag) {
  props_ = ReadPropertyBag(bag, AmbientFont(this));
  ApplyFrame();
  QWidget::setFont(props_.font);
  RaiseRowHeightToFont();
  Refresh();
}

QVariantMap McListBox::WriteProperties() const {
  return WritePropertyBag(props_, AmbientFont(this));
}

// --- Setters that repaint ---

template <typename T, typename V>
void McListBox::SetAndRedraw(T ListProperties::*field, const V& value, const char* name) {
  props_.*field = value;
  Redraw();
  Changed(name);
}

void McListBox::SetPicture(const QPixmap& value) {
  SetAndRedraw(&ListProperties::picture, value, "Picture");
}
void McListBox::SetBackColor(OleColor value) {
  SetAndRedraw(&ListProperties::backColor, value, "BackColor");
}
void McListBox::SetForeColor(OleColor value) {
  SetAndRedraw(&ListProperties::foreColor, value, "ForeColor");
}
void McListBox::SetSelColor(OleColor value) {
  SetAndRedraw(&ListProperties::selColor, value, "SelColor");
}
void McListBox::SetSelForeColor(OleColor value) {
  SetAndRedraw(&ListProperties::selForeColor, value, "SelForeColor");
}
void McListBox::SetStrechIcon(bool value) {
  SetAndRedraw(&ListProperties::strechIcon, value, "StrechIcon");
}
void McListBox::SetFullRowSelect(bool value) {
  SetAndRedraw(&ListProperties::fullRowSelect, value, "FullRowSelect");
}
void McListBox::SetIconFocus(bool value) {
  SetAndRedraw(&ListProperties::iconFocus, value, "IconFocus");
}
void McListBox::SetTextAlignment(int value) {
  SetAndRedraw(&ListProperties::textAlignment, value, "TextAlignment");
}
void McListBox::SetGridLines(bool value) {
  SetAndRedraw(&ListProperties::gridLines, value, "GridLines");
}
void McListBox::SetGridColor(OleColor value) {
  SetAndRedraw(&ListProperties::gridColor, value, "GridColor");
}
void McListBox::SetBackGradient(GradientDirection value) {
  SetAndRedraw(&ListProperties::backGradient, value, "BackGradient");
}
void McListBox::SetSelGradient(GradientDirection value) {
  SetAndRedraw(&ListProperties::selGradient, value, "SelGradient");
}
void McListBox::SetBackGradientCol(OleColor value) {
  SetAndRedraw(&ListProperties::backGradientCol, value, "BackGradientCol");
}
void McListBox::SetSelGradientCol(OleColor value) {
  SetAndRedraw(&ListProperties::selGradientCol, value, "SelGradientCol");
}
void McListBox::SetFocusRectangle(bool value) {
  SetAndRedraw(&ListProperties::focusRectangle, value, "FocusRectangle");
}
void McListBox::SetShowIcon(bool value) {
  SetAndRedraw(&ListProperties::showIcon, value, "ShowIcon");
}
void McListBox::SetSelectionStyle(SelectionFill value) {
  SetAndRedraw(&ListProperties::selectionStyle, value, "SelectionStyle");
}

// --- Setters with more to do ---

void McListBox::SetFont(const QFont& font) {
  props_.font = font;
  QWidget::setFont(font);
  RaiseRowHeightToFont();
  Refresh();
  Changed("Font");
}

void McListBox::SetAppearance(FrameLook appearance) {
  props_.appearance = appearance;
  ApplyFrame();
  Redraw();
  Changed("Appearance");
}

void McListBox::SetBorderStyle(Border style) {
  props_.borderStyle = style;
  ApplyFrame();
  Redraw();
  Changed("BorderStyle");
}

void McListBox::SetSortOrder(Sorting order) {
  props_.sortOrder = order;
  SortItems();
  Redraw();
  Changed("SortOrder");
}

void McListBox::SetRowHeight(int height) {
  props_.rowHeight = height;
  RaiseRowHeightToFont();
  Refresh();
  Changed("RowHeight");
}

void McListBox::SetMultiSelect(bool on) {
  props_.multiSelect = on;
  if (items_.Contains(listIndex_)) selection_.Add(listIndex_);
  Redraw();
  Changed("MultiSelect");
}

// Flat scroll bars do not exist here: the standard bars stay either way.
void McListBox::SetFlatScrollBar(bool on) {
  props_.flatScrollBar = on;
  Refresh();
  Changed("FlatScrollBar");
}

void McListBox::SetAutoHideScrollBars(bool on) {
  props_.autoHideScrollBars = on;
  Refresh();
  Changed("AutoHideScrollBars");
}

void McListBox::SetMode(ListMode mode) {
  if (mode == props_.mode) return;
  props_.mode = mode;
  if (mode == ListMode::Items) Clear();
  Refresh();
  Changed("Mode");
}

void McListBox::SetAutoRefresh(bool on) {
  props_.autoRefresh = on;
  if (on) Refresh();
  Changed("AutoRefresh");
}

}  // namespace corvane
