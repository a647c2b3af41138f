// The picture, checked pixel by pixel on worked cases of a 200 x 100
// viewport with a white background.

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <functional>

#include "list_box_fixture.h"

namespace corvane {
namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kDarkRed = qRgb(250, 0, 0);
constexpr int kOleRed = 0x0000FF;

struct Probe {
  int x, y;
  QRgb colour;
};

struct DrawCase {
  const char* name;
  QVariantMap properties;  // over a frameless control whose bars hide
  std::vector<Probe> probes;
  std::function<void(McListBox&)> then = nullptr;
};

// Backgrounds run from BackGradientCol to BackColor.
QVariantMap Ramp(int direction, int start, int end) {
  return {{"backgradient", direction}, {"backgradientcol", start}, {"backcolor", end}};
}

void SendFocus(McListBox& box, bool in) {
  QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut);
  QApplication::sendEvent(&box, &event);
}

// Items with empty texts, item `current` the current one.
std::function<void(McListBox&)> Items(int count, int current) {
  return [=](McListBox& box) {
    test::AddItems(box, count, QString());
    box.SetListIndex(current);
  };
}

// Three items, item 1 selected besides the current item 0.
std::function<void(McListBox&)> SecondSelected(bool focus) {
  return [=](McListBox& box) {
    Items(3, 0)(box);
    box.SelectItem(1);
    SendFocus(box, focus);
  };
}

// One current item showing icon `icon` of a list of one green 16-pixel
// image, or of no image list.
std::function<void(McListBox&)> IconItem(int icon, bool imageList) {
  return [=](McListBox& box) {
    QPixmap green(16, 16);
    green.fill(Qt::green);
    if (imageList) box.SetImageList({green});
    box.AddItem(QString(), -1, icon, false, true);
    box.SetListIndex(0);
  };
}

const QVariantMap kRedIconRows{{"showicon", true}, {"selcolor", kOleRed}, {"selectionstyle", 0}};
const QVariantMap kStretchedIcon{{"rowheight", 15},
                                 {"strechicon", true},
                                 {"showicon", true},
                                 {"selcolor", kOleRed},
                                 {"selectionstyle", 0}};
const QVariantMap kRowsOf15{
    {"rowheight", 15}, {"selectionstyle", 0}, {"selcolor", kOleRed}, {"fullrowselect", true}};
const QVariantMap kRowsOf20{{"rowheight", 20}, {"selcolor", kOleRed}};

TEST(DrawingTest, WorkedCases) {
  const DrawCase cases[] = {
      // Ramps truncate: entry 2 of 199 from 0 to 255 is 2.56 -> 2.
      {"ramp left to right", Ramp(1, 0, kOleRed), {{0, 5, kBlack}, {2, 5, qRgb(2, 0, 0)}}},
      {"ramp left to right, end", Ramp(1, 0, kOleRed), {{199, 0, kRed}}},
      {"ramp top to bottom", Ramp(3, 0xFFFFFF, kOleRed), {{10, 0, kWhite}, {10, 99, kRed}}},
      {"ramp from top-left", Ramp(5, 0, 0x00FF00), {{0, 0, kBlack}, {199, 99, kGreen}}},
      {"ramp from bottom-left", Ramp(6, 0, 0x00FF00), {{0, 99, kBlack}, {199, 0, kGreen}}},
      // Two halves of 100 from the edges, the second from x 99: the last
      // column keeps the background.
      {"mirrored ramp", Ramp(2, 0xFFFFFF, kOleRed), {{0, 5, kWhite}, {99, 5, kRed}}},
      {"mirrored ramp, right half", Ramp(2, 0xFFFFFF, kOleRed), {{198, 5, kWhite}, {199, 5, kRed}}},
      {"unknown direction is black", Ramp(7, 0xFFFFFF, 0xFFFFFF), {{100, 50, kBlack}}},
      // RowHeight 15 in 100 pixels: 6 rows of 16.67, row 3 filled from
      // y 51 up to Round(50 + 16.67) = 67.
      {"stretched rows", kRowsOf15, {{100, 50, kWhite}, {100, 51, kRed}}, Items(10, 3)},
      {"stretched rows, bottom", kRowsOf15, {{100, 66, kRed}, {100, 67, kWhite}}, Items(10, 3)},
      // A stretched icon fills 13 x 13 pixels from (2, 2); the selection
      // starts right of the 20-pixel icon column.
      {"icon", kStretchedIcon, {{2, 2, kGreen}, {14, 14, kGreen}}, IconItem(0, true)},
      {"icon edges", kStretchedIcon, {{15, 8, kWhite}, {8, 15, kWhite}}, IconItem(0, true)},
      {"icon column", kStretchedIcon, {{20, 8, kWhite}, {21, 8, kRed}}, IconItem(0, true)},
      // Weights 150 and 100 of the colour with white, a frame of 250 with
      // black; 75 for both fills without the focus.
      {"selection with focus",
       kRowsOf20,
       {{100, 10, qRgb(255, 105, 105)}, {100, 30, qRgb(255, 155, 155)}, {100, 50, kWhite}},
       SecondSelected(true)},
      {"selection frame",
       kRowsOf20,
       {{1, 10, kDarkRed}, {100, 19, kDarkRed}},
       SecondSelected(true)},
      {"selection without focus",
       kRowsOf20,
       {{100, 10, qRgb(255, 180, 180)}, {100, 30, qRgb(255, 180, 180)}, {1, 30, kDarkRed}},
       SecondSelected(false)},
      {"grid line of an empty list",
       {{"rowheight", 15}, {"gridcolor", kOleRed}, {"gridlines", true}},
       {{50, 0, kWhite}, {50, 14, kWhite}, {50, 15, kRed}, {50, 16, kWhite}}},
      // From (-1, 20) to the right edge, every other pixel inverted.
      {"focus rectangle",
       {{"rowheight", 20}, {"focusrectangle", true}, {"selectionstyle", 0}},
       {{1, 20, kBlack}, {2, 20, kWhite}, {1, 19, kWhite}},
       Items(2, 1)},
      // A missing icon ends the paint before the row's selection.
      {"no image list", kRedIconRows, {{100, 10, kWhite}}, IconItem(0, false)},
      {"icon in the list", kRedIconRows, {{100, 10, kRed}}, IconItem(0, true)},
      {"icon beyond the list", kRedIconRows, {{100, 10, kWhite}}, IconItem(5, true)},
      {"unknown system colours are white",
       {{"backcolor", 0x800000FF}, {"forecolor", 0x80000099}, {"selcolor", 0x8000FFFF}},
       {{100, 10, kWhite}, {100, 80, kWhite}},
       Items(3, 0)},
  };
  for (const DrawCase& c : cases) {
    McListBox box;
    test::ShowPlain(box);
    QVariantMap bag = c.properties;
    bag.insert({{"borderstyle", kBorderNone}, {"autohidescrollbars", true}});
    box.ReadProperties(bag);
    if (c.then) c.then(box);
    const QImage shot = test::Shot(box);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(shot.pixel(p.x, p.y), p.colour) << c.name << " at " << p.x << "," << p.y;
    }
  }
}

TEST(DrawingTest, AmpersandIsDrawnLiterally) {
  McListBox box;
  test::ShowPlain(box);
  box.SetForeColor(0x000000);
  // The rightmost column with ink: a literal "&" moves the "b" right by its
  // advance, a mnemonic would only underline the "b".
  auto inkRight = [&](const QString& text) {
    box.Clear();
    box.AddItem(text, -1, -1, false, true);
    const QImage shot = test::Shot(box);
    int right = -1;
    for (int x = 0; x < shot.width(); ++x) {
      for (int y = 0; y < 22; ++y) right = shot.pixel(x, y) != kWhite ? x : right;
    }
    return right;
  };
  const int ampersand = QFontMetrics(box.Font()).horizontalAdvance(u'&');
  EXPECT_GE(inkRight("a&b"), inkRight("ab") + ampersand / 2);
}

}  // namespace
}  // namespace corvane
