// The picture, checked pixel by pixel on worked cases of a 200 x 100
// viewport with a white background.

#include <QFocusEvent>
#include <cmath>

#include "list_box_fixture.h"

namespace corvane {
namespace {

const QRgb kWhite = qRgb(255, 255, 255), kRed = qRgb(255, 0, 0), kBlack = qRgb(0, 0, 0);
constexpr int kOleRed = 0x0000FF;

// Backgrounds run from BackGradientCol to BackColor.
QVariantMap Ramp(int direction, int start, int end) {
  return {{"backgradient", direction}, {"backgradientcol", start}, {"backcolor", end}};
}

TEST(DrawingTest, WorkedCases) {
  const QVariantMap rowsOf20{{"rowheight", 20}, {"selcolor", kOleRed}};
  const QRgb darkRed = qRgb(250, 0, 0);
  const struct {
    const char* name;
    QVariantMap properties;
    std::vector<std::tuple<int, int, QRgb>> probes;  // x, y, colour
    int items = 0, current = 0, selected = -1;       // selected besides the current item
    bool focus = false;
  } cases[] = {
      // clang-format off
      // Ramps truncate: entry 2 of 199 from 0 to 255 is 2.56 -> 2.
      {"ramp left to right", Ramp(1, 0, kOleRed),
       {{0, 5, kBlack}, {2, 5, qRgb(2, 0, 0)}, {199, 0, kRed}}},
      {"ramp from top-left", Ramp(5, 0, 0x00FF00), {{0, 0, kBlack}, {199, 99, qRgb(0, 255, 0)}}},
      // Two halves of 100 from the edges, the second from x 99: the last
      // column keeps the background.
      {"mirrored ramp", Ramp(2, 0xFFFFFF, kOleRed),
       {{0, 5, kWhite}, {99, 5, kRed}, {198, 5, kWhite}, {199, 5, kRed}}},
      // Weights 150 and 100 of the colour with white, a frame of 250 with
      // black; 75 for both fills without the focus.
      {"selection with focus", rowsOf20,
       {{100, 10, qRgb(255, 105, 105)}, {100, 30, qRgb(255, 155, 155)}, {1, 10, darkRed}},
       3, 0, 1, true},
      {"selection without focus", rowsOf20,
       {{100, 10, qRgb(255, 180, 180)}, {100, 30, qRgb(255, 180, 180)}, {1, 30, darkRed}},
       3, 0, 1},
      {"grid of no items", {{"rowheight", 15}, {"gridcolor", kOleRed}, {"gridlines", true}},
       {{50, 0, kWhite}, {50, 14, kWhite}, {50, 15, kRed}, {50, 16, kWhite}}},
      // From (-1, 20) to the right edge, every other pixel inverted.
      {"focus rectangle", {{"rowheight", 20}, {"focusrectangle", true}, {"selectionstyle", 0}},
       {{1, 20, kBlack}, {2, 20, kWhite}, {1, 19, kWhite}}, 2, 1},
  };  // clang-format on
  for (const auto& c : cases) {
    McListBox box;
    test::ShowPlain(box, c.properties);
    test::AddItems(box, c.items, QString());
    box.SetListIndex(c.current);
    box.SelectItem(c.selected);
    QFocusEvent event(c.focus ? QEvent::FocusIn : QEvent::FocusOut);
    QApplication::sendEvent(&box, &event);
    const QImage shot = test::Shot(box);
    for (const auto& [x, y, colour] : c.probes)
      EXPECT_EQ(shot.pixel(x, y), colour) << c.name << " at " << x << "," << y;
  }
}

using TextDrawingTest = test::ListBoxTest;

TEST_F(TextDrawingTest, AmpersandIsDrawnLiterally) {
  // A literal "&" moves the last inked column right; a mnemonic would only underline the "b".
  auto inkRight = [&](const QString& text) {
    box.Clear();
    box.AddItem(text);
    const QImage shot = Shot();
    int right = -1;
    for (int x = 0; x < shot.width(); ++x)
      for (int y = 0; y < 22; ++y) right = shot.pixel(x, y) != kWhite ? x : right;
    return right;
  };
  EXPECT_GE(inkRight("a&b"), inkRight("ab") + QFontMetrics(box.Font()).horizontalAdvance(u'&') / 2);
}

// Also run at QT_SCALE_FACTOR 1.5 and 2 (CMakeLists.txt): shots in device pixels.
class DeviceScaleTest : public test::ListBoxTest {
 protected:
  qreal Ratio() const { return box.viewport()->devicePixelRatioF(); }
};

// A picture of the logical size scaled up changes from one device column to
// the next at most once per logical column; text drawn at the device's
// resolution changes at nearly every one.
TEST_F(DeviceScaleTest, TextIsDrawnInDevicePixels) {
  if (Ratio() == 1) GTEST_SKIP() << "a device pixel is a logical one";
  box.AddItem(QStringLiteral("MWMWMWMWMW"));
  const QImage shot = Shot();
  std::vector<int> changes;  // the columns that differ from the next one
  for (int x = 0; x + 1 < shot.width(); ++x)
    if (shot.copy(x, 0, 1, shot.height()) != shot.copy(x + 1, 0, 1, shot.height()))
      changes.push_back(x);
  ASSERT_FALSE(changes.empty());
  EXPECT_GT(changes.size(), (changes.back() - changes.front() + 2) / Ratio() + 1);
}

// The tops of rows stretched to 16.67 pixels, at 0, 17, 33 and 50, and the
// closing line 15 below the last: each line where its logical row starts,
// Round(ratio) device pixels high.
TEST_F(DeviceScaleTest, GridLinesAreEquallyThickAtTheirRows) {
  test::ShowPlain(box, {{"rowheight", 15}, {"gridlines", true}, {"gridcolor", kOleRed}});
  test::AddItems(box, 4, QString());
  const QImage shot = Shot();
  std::vector<std::pair<int, int>> runs;  // first device row, height
  for (int y = 0; y < shot.height(); ++y) {
    if (shot.pixel(2, y) != kRed) continue;
    if (runs.empty() || runs.back().first + runs.back().second != y) runs.emplace_back(y, 0);
    ++runs.back().second;
  }
  const int tops[] = {0, 17, 33, 50, 65};
  ASSERT_EQ(runs.size(), std::size(tops));
  for (std::size_t k = 0; k < runs.size(); ++k) {
    EXPECT_NEAR(runs[k].first, tops[k] * Ratio(), 0.5) << k;
    EXPECT_EQ(runs[k].second, std::lround(Ratio())) << k;
  }
}

// The ramp has one entry per device row: from black to red over at most 200
// device rows, every row redder than the one above.
TEST_F(DeviceScaleTest, GradientStepsEveryDeviceRow) {
  test::ShowPlain(box, Ramp(3, 0, kOleRed));
  const QImage shot = Shot();
  int flat = 0;
  for (int y = 1; y < shot.height(); ++y)
    flat += qRed(shot.pixel(0, y)) <= qRed(shot.pixel(0, y - 1));
  EXPECT_EQ(flat, 0);
  EXPECT_EQ(shot.pixel(0, shot.height() - 1), kRed);
}

}  // namespace
}  // namespace corvane
