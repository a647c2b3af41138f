#include "listctl/list_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "listctl/gdi_surface.h"
#include "listctl/gradient.h"
#include "listctl/row_geometry.h"

namespace corvane {

namespace {

constexpr OleColor kBlack = 0x000000;
constexpr OleColor kWhite = 0xFFFFFF;
constexpr OleColor kGrayText = 0x80000011;

struct SelectionLook {
  QRgb frame, currentFill, otherFill;
};

SelectionLook LookOf(const ListProperties& p, bool hasFocus, const QPalette& palette) {
  if (p.selectionStyle == SelectionFill::Plain) {
    const QRgb c = PixelOf(p.selColor, palette);
    return {c, c, c};
  }
  auto blend = [&](OleColor with, int weight) {
    return ToPixel(BlendColor(p.selColor, with, weight, palette));
  };
  if (hasFocus) return {blend(kBlack, 250), blend(kWhite, 150), blend(kWhite, 100)};
  return {blend(kBlack, 250), blend(kWhite, 75), blend(kWhite, 75)};
}

// Paints one row; false when its icon cannot be had.
class RowPainter {
 public:
  RowPainter(QPainter& painter, const ListView& view, int scaleWidth, double rowH)
      : painter_(painter),
        view_(view),
        p_(view.properties),
        scaleWidth_(scaleWidth),
        rowH_(rowH),
        iconWidth_(p_.showIcon ? IconColumnWidth(rowH) : 0),
        look_(LookOf(p_, view.hasFocus, view.palette)),
        textHeightA_(QFontMetrics(p_.font).height()) {}

  // Returns the text's right edge, or nullopt for a missing icon.
  std::optional<int> Paint(int index, int y) {
    const ListItem& item = view_.items.At(index);
    int xOffset = -view_.horizontal;
    const QString text = ShownText(view_, index, &painter_, y, xOffset);
    const bool treeMode = p_.mode == ListMode::DriveTree || p_.mode == ListMode::FileTree;
    QPixmap diskIcon;
    const QPixmap* icon = nullptr;
    if (p_.showIcon && p_.mode == ListMode::Items && item.icon != -1) {
      if (!view_.imageList || item.icon < 0 || item.icon >= view_.imageList->size()) {
        return std::nullopt;
      }
      icon = &(*view_.imageList)[item.icon];
    } else if (p_.showIcon && p_.mode != ListMode::Items && item.disk && view_.disk) {
      diskIcon = view_.disk->icon(*item.disk);
      if (!diskIcon.isNull()) icon = &diskIcon;
    }
    const int cellRight = RoundEven(xOffset + rowH_);
    const int rowBottom = RoundEven(y + rowH_);
    QRgb textColor = PixelOf(p_.foreColor, view_.palette);
    if (view_.selection.Contains(index)) {
      PaintSelection(index, y, xOffset);
      if (p_.iconFocus && !p_.fullRowSelect && p_.showIcon && view_.hasFocus) {
        DrawFocusRect(painter_, xOffset + 1, y + 1, cellRight, rowBottom);
      }
      textColor = PixelOf(p_.selForeColor, view_.palette);
    } else if (treeMode && p_.iconFocus) {
      FillFramed(painter_, xOffset + 1, y + 1, cellRight, rowBottom,
                 PixelOf(kGrayText, view_.palette), PixelOf(p_.backColor, view_.palette));
    }
    QFont font = p_.font;
    font.setBold(item.bold);
    painter_.setFont(font);
    painter_.setPen(QColor::fromRgb(textColor));
    DrawItemText(text, iconWidth_ + xOffset, y + 1);
    const double right = QFontMetrics(font).horizontalAdvance(text) + double(xOffset);
    if (icon) DrawPicture(*icon, xOffset + 2, y + 2, RoundEven(rowH_ - 4), RoundEven(rowH_ - 4));
    if (p_.gridLines)
      DrawHorizontalLine(painter_, 0, scaleWidth_, y, PixelOf(p_.gridColor, view_.palette));
    if (index == view_.listIndex && p_.focusRectangle) {
      const int left = !p_.fullRowSelect && p_.showIcon ? iconWidth_ + xOffset : xOffset - 1;
      DrawFocusRect(painter_, left, y, scaleWidth_ + 1, RoundEven(y + rowH_ + 1));
    }
    return RoundEven(right);
  }

 private:
  void PaintSelection(int index, int y, int xOffset) {
    if (p_.selGradient == GradientDirection::None) {
      const int left = p_.fullRowSelect ? xOffset + 1 : iconWidth_ + xOffset + 1;
      FillFramed(painter_, left, y + 1, scaleWidth_, RoundEven(y + rowH_), look_.frame,
                 index == view_.listIndex ? look_.currentFill : look_.otherFill);
      return;
    }
    const int x = p_.fullRowSelect ? xOffset : iconWidth_ + xOffset;
    const int w = p_.fullRowSelect ? scaleWidth_ : RoundEven(scaleWidth_ - iconWidth_);
    DrawGradient(painter_, x, y + 1, w, RoundEven(rowH_), p_.selColor, p_.selGradientCol,
                 p_.selGradient, view_.palette);
  }

  // Vertical centring uses RowHeight, not the stretched row height.
  void DrawItemText(const QString& text, int x, int y) {
    const int top = RoundEven((double(p_.rowHeight) - textHeightA_) / 2 + y);
    const int bottom = RoundEven(double(p_.rowHeight) + y);
    DrawFormattedText(painter_, EdgeRect(x + 5, top, scaleWidth_, bottom), text, p_.textAlignment);
  }

  // Centred at its own size unless stretched into the cell.
  void DrawPicture(const QPixmap& picture, int x, int y, int w, int h) {
    if (!p_.strechIcon) {
      const QSizeF size = picture.deviceIndependentSize();
      const int pw = RoundEven(size.width());
      const int ph = RoundEven(size.height());
      x = RoundEven((w - pw) / 2.0 + x);
      y = RoundEven((h - ph) / 2.0 + y);
      w = pw;
      h = ph;
    }
    if (w > 0 && h > 0) painter_.drawPixmap(QRect(x, y, w, h), picture);
  }

  QPainter& painter_;
  const ListView& view_;
  const ListProperties& p_;
  const int scaleWidth_;
  const double rowH_;
  const int iconWidth_;
  const SelectionLook look_;
  const int textHeightA_;
};

}  // namespace

std::optional<int> PaintList(QImage& image, const ListView& view) {
  const ListProperties& p = view.properties;
  image.fill(PixelOf(p.backColor, view.palette));
  if (image.isNull()) return 0;
  const QSize logical = LogicalSize(image);
  const int scaleWidth = logical.width();
  const int scaleHeight = logical.height();
  const int count = view.items.Count();
  const int top = std::max(0, view.top);
  const int last =
      static_cast<int>(std::min<long long>(std::int64_t{top} + view.visibleRows, count - 1));
  const double rowH = StretchedRowHeight(scaleHeight, view.visibleRows);

  LogicalPainter logicalPainter(image);
  QPainter& painter = *logicalPainter;
  if (!p.picture.isNull()) painter.drawPixmap(0, 0, p.picture);
  if (p.backGradient != GradientDirection::None) {
    DrawGradient(painter, 0, 0, scaleWidth, scaleHeight, p.backColor, p.backGradientCol,
                 p.backGradient, view.palette);
  }
  RowPainter rows(painter, view, scaleWidth, rowH);
  int maxTextRight = 0;
  int y = 0;
  for (int i = top; i <= last; ++i) {
    y = RowTop(i - top, rowH);
    const std::optional<int> right = rows.Paint(i, y);
    if (!right) return std::nullopt;
    maxTextRight = std::max(maxTextRight, *right);
  }
  if (p.gridLines) {
    const int closing = RoundEven(double(y) + p.rowHeight);
    DrawHorizontalLine(painter, 0, scaleWidth, closing, PixelOf(p.gridColor, view.palette));
  }
  return RoundEven(double(maxTextRight) + view.horizontal);
}

QString ShownText(const ListView& view, int index, QPainter* painter, int y, int& xOffset) {
  const ListProperties& p = view.properties;
  const ListItem& item = view.items.At(index);
  QString text = item.text.ToString();
  if (!item.disk || p.mode == ListMode::Items) return text;
  const DiskEntry& entry = *item.disk;
  if (p.mode == ListMode::DriveTree || p.mode == ListMode::FileTree) {
    DrawTreeLevels(painter, entry.depth, xOffset, y, p.rowHeight, view.palette);
    if (entry.depth > 0) return text.mid(text.lastIndexOf(u'/') + 1);
  }
  if (entry.drive && view.disk)
    return view.disk->description(entry) + QStringLiteral(" (") + text + u')';
  return text;
}

void DrawTreeLevels(QPainter* painter, int levels, int& x, int y, int rowHeight,
                    const QPalette& palette) {
  const QRgb gray = PixelOf(kGrayText, palette);
  const double half = rowHeight / 2.0;
  const bool draw = painter && y != -1;
  for (int level = 0; level < levels; ++level) {
    if (draw)
      DrawVerticalLine(*painter, RoundEven(x + half), y, RoundEven(y + rowHeight + 2.0), gray);
    x = RoundEven(double(x) + rowHeight);
  }
  if (draw) DrawHorizontalLine(*painter, RoundEven(x - half), x, RoundEven(y + half), gray);
}

void DrawTreeLines(QPainter* painter, QString& text, int& x, int y, int rowHeight,
                   const QPalette& palette) {
  const int levels = static_cast<int>(text.count(u'/'));
  text = text.mid(text.lastIndexOf(u'/') + 1);
  DrawTreeLevels(painter, levels, x, y, rowHeight, palette);
}

}  // namespace corvane
