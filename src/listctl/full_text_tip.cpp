#include "listctl/full_text_tip.h"

#include <QFontMetrics>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "listctl/row_geometry.h"

namespace corvane {

namespace {

constexpr int kTextLeft = 5;     // the text starts this far in
constexpr int kWidthExtra = 12;  // a one-line box is this much wider than its text
constexpr int kWrapMargin = 15;  // a wrapped text keeps this far from the screen's edge
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere;

}  // namespace

FullTextTip::FullTextTip()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setEnabled(false);
  setObjectName(QStringLiteral("PicComplete"));
}

void FullTextTip::ShowText(const QString& text, const QFont& font, QPoint topLeft, int rowH,
                           QColor back) {
  text_ = text;
  setFont(font);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, back);
  setPalette(colours);
  const QFontMetrics metrics(font);
  textTop_ = std::max(0, RoundEven((rowH - metrics.height()) / 2.0 - 2));
  const QScreen* screen = QWidget::screen();
  const int screenRight = screen ? screen->geometry().right() + 1 : topLeft.x() + 4096;
  const int room = screenRight - topLeft.x();
  const int textWidth = metrics.horizontalAdvance(text);
  const int height = std::max(1, rowH - 1);
  if (textWidth + kWidthExtra <= room || room <= kWrapMargin + kTextLeft) {
    setGeometry(topLeft.x(), topLeft.y(), textWidth + kWidthExtra, height);
  } else {
    const int wrapWidth = room - kWrapMargin;
    const QRect wrapped =
        metrics.boundingRect(QRect(0, 0, wrapWidth - kTextLeft, 1 << 20), kTextFlags, text);
    setGeometry(topLeft.x(), topLeft.y(), wrapWidth,
                std::max(height, wrapped.height() + textTop_ + 2));
  }
  update();
  show();
  raise();
}

void FullTextTip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(Qt::darkGray);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.setPen(Qt::black);
  painter.drawText(QRect(kTextLeft, textTop_, width() - kTextLeft, height() - textTop_), kTextFlags,
                   text_);
}

}  // namespace corvane
