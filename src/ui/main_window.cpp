#include "ui/main_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "listctl/log_feed.h"
#include "listctl/mc_list_box.h"
#include "ui/safe_geometry.h"

namespace corvane {
namespace {

constexpr QRgb kInputIdle = 0xFFFFFF;
constexpr QRgb kInputBusy = 0xE0E0E0;

QFont LogFont() {
  QFont font = QFontDatabase::families().contains(QStringLiteral("Lucida Console"))
                   ? QFont(QStringLiteral("Lucida Console"))
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  return font;
}

void ApplyDesignValues(McListBox& log) {
  log.SetFont(LogFont());
  log.SetSelColor(0x00FFFFFF);
  log.SetSelForeColor(0x00000000);
  log.SetBorderStyle(Border::Static);
  log.SetFullRowSelect(true);
  log.SetRowHeight(15);
  log.SetBackGradient(GradientDirection::LeftToRight);
  log.SetSelGradient(GradientDirection::LeftToRight);
  log.SetBackGradientCol(0x00E0E0E0);
  log.SetSelGradientCol(0x00FFC0C0);
  log.SetAutoRefresh(false);
}

PixelRect ToPixelRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

MainWindow::MainWindow(int viewLines, QWidget* parent)
    : QWidget(parent),
      log_(new McListBox(this)),
      input_(new QLineEdit(this)),
      viewLines_(viewLines) {
  setWindowTitle(QStringLiteral("Corvane"));
  ApplyDesignValues(*log_);
  input_->setFont(LogFont());
  input_->setFrame(true);
  SetInputBusy(false);
  log_->installEventFilter(this);
  setTabOrder(log_, input_);
  connect(input_, &QLineEdit::returnPressed, this, &MainWindow::RunInput);
  const PixelRect design = DesignSize();
  resize(design.width, design.height);
  ApplyLayout();
}

MainWindow::~MainWindow() = default;

void MainWindow::AddItem(const std::string& text, bool bold) {
  AppendLogLine(*log_, QString::fromStdString(text), bold, viewLines_);
}

void MainWindow::ShowLogLine(const std::string& text, bool bold, bool shown) {
  if (shown) AddItem(text, bold);
  log_->ScrollToBottom();
}

void MainWindow::Clear() { log_->Clear(); }

PixelRect MainWindow::Geometry() const { return {x(), y(), width(), height()}; }

void MainWindow::SetGeometry(const PixelRect& geometry) {
  move(geometry.left, geometry.top);
  resize(geometry.width, geometry.height);
}

PixelRect MainWindow::WorkArea() const {
  return ToPixelRect(QGuiApplication::primaryScreen()->availableGeometry());
}

double MainWindow::LogicalDpi() const { return screen()->logicalDotsPerInch(); }

std::int16_t MainWindow::State() const {
  if (isMinimized()) return 1;
  if (isMaximized()) return 2;
  return 0;
}

void MainWindow::SetState(std::int16_t state) {
  if (state == 1) {
    setWindowState(Qt::WindowMinimized);
  } else if (state == 2) {
    setWindowState(Qt::WindowMaximized);
  } else {
    setWindowState(Qt::WindowNoState);
  }
}

void MainWindow::SetNoBackground(bool off) {
  log_->SetBackGradient(off ? GradientDirection::None : GradientDirection::LeftToRight);
}

PixelRect MainWindow::DesignSize() const {
  const double dpi = LogicalDpi();
  return {0, 0, TwipsToPixels(kDesignClientWidthTwips, dpi),
          TwipsToPixels(kDesignClientHeightTwips, dpi)};
}

void MainWindow::EnsureReachable() {
  std::vector<PixelRect> screens;
  for (const QScreen* s : QGuiApplication::screens()) screens.push_back(ToPixelRect(s->geometry()));
  SetGeometry(SafeGeometry(Geometry(), screens, WorkArea(), DesignSize()));
}

// A running command keeps the line disabled and grey, so that no second
// command can be typed meanwhile; the grey is painted at once because the
// command may run for a long time before the event loop paints again.
void MainWindow::RunInput() {
  const std::string line = input_->text().toStdString();
  if (!line.empty() && input_->isEnabled()) {
    const bool hadFocus = input_->hasFocus();
    SetInputBusy(true);
    input_->repaint();
    if (onCommand) onCommand(line);
    SetInputBusy(false);
    if (hadFocus) input_->setFocus();
  }
  input_->clear();
}

void MainWindow::SetInputBusy(bool busy) {
  QPalette palette = input_->palette();
  palette.setColor(QPalette::Base, QColor(busy ? kInputBusy : kInputIdle));
  input_->setPalette(palette);
  input_->setEnabled(!busy);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplyLayout();
}

void MainWindow::ApplyLayout() {
  const double dpi = LogicalDpi();
  layout_ = LayOut(PixelsToTwips(width(), dpi), PixelsToTwips(height(), dpi), layout_);
  const auto pixels = [dpi](const TwipRect& r) {
    return QRect(TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.width, dpi),
                 TwipsToPixels(r.height, dpi));
  };
  log_->setGeometry(pixels(layout_.log));
  input_->setGeometry(pixels(layout_.input));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeAllowed_ || !onCloseBox) {
    event->accept();
    return;
  }
  event->ignore();
  onCloseBox();
}

// Characters typed while the log view has the focus go to the end of the
// input line, which takes the focus, so that no typed character is lost.
// Keys that type nothing printable (Tab, Enter, Escape) and shortcuts
// (Ctrl+C copies) stay with the log view. The view's focus shows as the
// dotted rectangle around its current line.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched != log_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    log_->SetFocusRectangle(event->type() == QEvent::FocusIn);
  } else if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    const auto shortcut = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (printable && !key->modifiers().testAnyFlags(shortcut)) {
      ForwardToInput(typed);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::ForwardToInput(const QString& typed) {
  input_->setText(input_->text() + typed);
  input_->setCursorPosition(input_->text().size());
  input_->setFocus();
}

}  // namespace corvane
