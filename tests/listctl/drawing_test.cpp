#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QPainter>

#include "list_box_fixture.h"
#include "listctl/gradient.h"
#include "listctl/list_painter.h"
#include "listctl/ole_color.h"

namespace corvane {
namespace {

using test::kOleRed;
using test::kRed;
using test::kWhite;

constexpr QRgb kMarker = 0xFF123456;

QImage Canvas(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(kMarker);
  return image;
}

TEST(ColorTest, TranslatesPlainAndSystemColours) {
  QPalette palette;
  palette.setColor(QPalette::Button, QColor(10, 20, 30));
  palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
  struct Case {
    OleColor in;
    std::int32_t out;
  } const cases[] = {
      {0x00123456, 0x123456},     {0x8000000F, 0x1E140A},      // button face: B 30, G 20, R 10
      {0x80000012, 0x030201},     {0x800000FF, kColorFailed},  // unknown index
      {0x80000105, kColorFailed}, {0x7F000000, kColorFailed},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateColor(c.in, palette), c.out) << std::hex << c.in;
}

TEST(ColorTest, BlendsChannelsWithHalfToEvenRounding) {
  const QPalette palette;
  EXPECT_EQ(ToPixel(BlendColor(0x0000FF, 0xFFFFFF, 150, palette)), qRgb(255, 105, 105));
  EXPECT_EQ(ToPixel(BlendColor(0x0000FF, 0x000000, 250, palette)), qRgb(250, 0, 0));
  // 1 * 255/255 + 254 * 1/255 = 1.996 -> 2; a failed colour counts as white.
  EXPECT_EQ(BlendColor(0x000001, 0x000001, 1, palette) & 0xFF, 1);
  EXPECT_EQ(ToPixel(BlendColor(0x800000FF, 0x000000, 100, palette)), qRgb(100, 100, 100));
}

struct GradientCase {
  const char* name;
  int direction, w, h;
  std::int32_t start, end;
  QPoint at;
  QRgb expected;
};

TEST(GradientTest, RampsRunInEveryDirection) {
  const GradientCase cases[] = {
      {"left to right, start", 1, 3, 2, 0x000000, 0x0000FF, {0, 1}, qRgb(0, 0, 0)},
      {"left to right, middle truncates", 1, 3, 2, 0x000000, 0x0000FF, {1, 0}, qRgb(127, 0, 0)},
      {"left to right, end", 1, 3, 2, 0x000000, 0x0000FF, {2, 1}, qRgb(255, 0, 0)},
      {"top to bottom", 3, 2, 3, 0x000000, 0xFF0000, {1, 2}, qRgb(0, 0, 255)},
      {"top-left corner starts", 5, 3, 3, 0x000000, 0x00FF00, {0, 0}, qRgb(0, 0, 0)},
      {"diagonal ends bottom-right", 5, 3, 3, 0x000000, 0x00FF00, {2, 2}, qRgb(0, 255, 0)},
      {"bottom-left corner starts", 6, 3, 3, 0x000000, 0x00FF00, {0, 2}, qRgb(0, 0, 0)},
      {"bottom-left ramp ends top-right", 6, 3, 3, 0x000000, 0x00FF00, {2, 0}, qRgb(0, 255, 0)},
      // A width-1 ramp takes the halves of both ends, each truncated.
      {"width-1 ramp", 1, 1, 4, 0x0000C9, 0x000065, {0, 3}, qRgb(150, 0, 0)},
      {"direction 7 is black", 7, 4, 4, 0xFFFFFF, 0xFFFFFF, {3, 3}, qRgb(0, 0, 0)},
      {"negative direction is black", -1, 4, 4, 0xFFFFFF, 0xFFFFFF, {0, 0}, qRgb(0, 0, 0)},
  };
  for (const GradientCase& c : cases) {
    QImage image = Canvas(c.w, c.h);
    {
      QPainter painter(&image);
      PaintGradient(painter, 0, 0, c.w, c.h, c.start, c.end, c.direction);
    }
    EXPECT_EQ(image.pixel(c.at), c.expected) << c.name;
  }
}

TEST(GradientTest, MirroredHalvesLeaveTheLastColumnUnpainted) {
  const QPalette palette;
  for (int width : {100, 101}) {
    QImage image = Canvas(width + 2, 4);
    {
      QPainter painter(&image);
      // Runs from c2 (white) at both edges to c1 (red) in the middle.
      DrawGradient(painter, 0, 0, width, 4, kOleRed, 0xFFFFFF, 2, palette);
    }
    EXPECT_EQ(image.pixel(0, 0), kWhite) << width;
    EXPECT_NE(image.pixel(width - 2, 0), kMarker) << width;
    EXPECT_EQ(image.pixel(width - 1, 0), kMarker) << width;
    EXPECT_EQ(image.pixel(49, 0), kRed) << "red in the middle, " << width;
  }
}

TEST(GradientTest, DirectionZeroAndEmptySizesPaintNothing) {
  const QPalette palette;
  struct Case {
    int direction, w, h;
  } const cases[] = {{0, 8, 8}, {1, 0, 8}, {3, 8, -4}, {2, -10, 8}, {4, 8, 0}};
  for (const Case& c : cases) {
    QImage image = Canvas(8, 8);
    {
      QPainter painter(&image);
      DrawGradient(painter, 0, 0, c.w, c.h, kOleRed, 0, c.direction, palette);
    }
    EXPECT_EQ(image.pixel(4, 4), kMarker) << c.direction << " " << c.w << "x" << c.h;
  }
}

TEST(GradientTest, ClippingKeepsEveryPixelOfTheRamp) {
  QImage whole = Canvas(40, 10);
  QImage clipped = Canvas(40, 10);
  {
    QPainter a(&whole);
    PaintGradient(a, 0, 0, 40, 10, 0x000000, 0xFFFFFF, 5);
    QPainter b(&clipped);
    PaintGradient(b, -1000, -500, 1040, 510, 0x000000, 0xFFFFFF, 5);
  }
  // The same ramp seen through another window: pixel (x, y) of the big
  // rectangle has ramp entry (x + 1000) + (y + 500).
  EXPECT_EQ(clipped.pixel(39, 9), qRgb(255, 255, 255));
  EXPECT_NE(whole.pixel(0, 0), clipped.pixel(0, 0));
}

class RowDrawingTest : public test::ListBoxTest {};

// 100 pixels with RowHeight 15: 6 rows of 16.67 pixels, row 3 from y 50.
TEST_F(RowDrawingTest, StretchedRowsStartAtRoundedOffsets) {
  box.SetRowHeight(15);
  box.SetSelectionStyle(0);
  box.SetSelColor(kOleRed);
  box.SetFullRowSelect(true);
  AddItems(10, QString());
  box.SetListIndex(3);
  EXPECT_EQ(box.VisibleRows(), 6);
  const QImage shot = Shot();
  // The selection fills from y + 1 to Round(y + rowH) = 67, exclusive.
  for (auto [y, expected] : {std::pair{50, kWhite}, {51, kRed}, {66, kRed}, {67, kWhite}}) {
    EXPECT_EQ(shot.pixel(100, y), expected) << "y " << y;
  }
}

TEST_F(RowDrawingTest, IconColumnAndStretchedIconCell) {
  box.SetRowHeight(15);
  box.SetShowIcon(true);
  box.SetStrechIcon(true);
  box.SetSelectionStyle(0);
  box.SetSelColor(kOleRed);
  QPixmap green(16, 16);
  green.fill(Qt::green);
  box.SetImageList({green});
  box.AddItem(QString(), -1, 0, false, true);
  box.SetListIndex(0);
  const QImage shot = Shot();
  const QRgb kGreen = qRgb(0, 255, 0);
  // The icon fills 13 x 13 pixels from (2, 2).
  EXPECT_EQ(shot.pixel(2, 2), kGreen);
  EXPECT_EQ(shot.pixel(14, 14), kGreen);
  EXPECT_NE(shot.pixel(15, 8), kGreen);
  EXPECT_NE(shot.pixel(8, 15), kGreen);
  // The selection starts right of the 20-pixel icon column.
  EXPECT_EQ(shot.pixel(20, 8), kWhite);
  EXPECT_EQ(shot.pixel(21, 8), kRed);
}

TEST_F(RowDrawingTest, SelectionFillsWithAndWithoutFocus) {
  box.SetRowHeight(20);  // 5 rows of 20 pixels
  box.SetSelColor(kOleRed);
  AddItems(3, QString());
  box.SetListIndex(0);
  box.SelectItem(1);
  struct Case {
    bool focus;
    int row;
    QRgb fill;
  } const cases[] = {
      {true, 0, qRgb(255, 105, 105)},   // the current item, weight 150
      {true, 1, qRgb(255, 155, 155)},   // the other selected items, weight 100
      {false, 0, qRgb(255, 180, 180)},  // without focus both weight 75
      {false, 1, qRgb(255, 180, 180)},
  };
  for (const Case& c : cases) {
    QFocusEvent event(c.focus ? QEvent::FocusIn : QEvent::FocusOut);
    QApplication::sendEvent(&box, &event);
    const QImage shot = Shot();
    const int y = c.row * 20;
    EXPECT_EQ(shot.pixel(100, y + 10), c.fill) << "focus " << c.focus << " row " << c.row;
    EXPECT_EQ(shot.pixel(1, y + 10), qRgb(250, 0, 0)) << "frame, row " << c.row;
    EXPECT_EQ(shot.pixel(100, y + 20 - 1), qRgb(250, 0, 0)) << "bottom frame, row " << c.row;
  }
  EXPECT_EQ(Shot().pixel(100, 50), kWhite) << "row 2 is not selected";
}

TEST_F(RowDrawingTest, OneGridLineAtRowHeightWithoutItems) {
  box.SetRowHeight(15);
  box.SetGridColor(kOleRed);
  box.SetGridLines(true);
  const QImage shot = Shot();
  for (int y = 0; y < shot.height(); ++y) {
    EXPECT_EQ(shot.pixel(50, y), y == 15 ? kRed : kWhite) << "y " << y;
  }
}

TEST_F(RowDrawingTest, BackgroundGradientCoversTheView) {
  box.SetBackColor(kOleRed);
  box.SetBackGradientCol(0xFFFFFF);
  box.SetBackGradient(3);
  const QImage shot = Shot();
  EXPECT_EQ(shot.pixel(10, 0), kWhite);
  EXPECT_EQ(shot.pixel(10, shot.height() - 1), kRed);
}

TEST_F(RowDrawingTest, FocusRectangleInvertsEveryOtherPixel) {
  box.SetRowHeight(20);
  box.SetFocusRectangle(true);
  box.SetSelectionStyle(0);
  box.SetSelColor(0xFFFFFF);  // a white selection keeps the inversion visible
  AddItems(2, QString());
  box.SetListIndex(1);
  const QImage shot = Shot();
  // From (xOffset - 1, y) to (width + 1, y + rowH + 1): the top edge at y 20.
  EXPECT_EQ(shot.pixel(1, 20), qRgb(0, 0, 0));
  EXPECT_EQ(shot.pixel(2, 20), kWhite);
  EXPECT_EQ(shot.pixel(1, 19), kWhite);
}

TEST_F(RowDrawingTest, AmpersandIsDrawnLiterally) {
  auto inkColumns = [&](const QString& text) {
    box.Clear();
    box.SetForeColor(0x000000);
    box.AddItem(text, -1, -1, false, true);
    const QImage shot = Shot();
    int columns = 0;
    for (int x = 0; x < shot.width(); ++x) {
      for (int y = 0; y < 22; ++y) {
        if (shot.pixel(x, y) != kWhite) {
          ++columns;
          break;
        }
      }
    }
    return columns;
  };
  EXPECT_GT(inkColumns("a&b"), inkColumns("ab"));
}

}  // namespace
}  // namespace corvane
