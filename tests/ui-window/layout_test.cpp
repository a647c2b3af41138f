#include <gtest/gtest.h>

#include <tuple>

#include "support/rect_text.h"
#include "ui/safe_geometry.h"
#include "ui/window_layout.h"

namespace corvane {
namespace {

using test::RectText;

TEST(WindowLayoutTest, LogViewFillsTheClientAboveTheInputLine) {
  const WindowLayout design = LayOut(7815, 5640, {});
  const std::tuple<int, int, const char*, const char*> cases[] = {
      // client, log, input
      {7815, 5640, "0,0 7815x5355", "5,5350 7805x285"},
      {7815, 285, "0,0 7815x0", "5,-5 7805x285"},
      // A negative size is not applied: the log view keeps its height, the
      // input line its width.
      {7815, 200, "0,0 7815x5355", "5,5350 7805x285"},
      {6, 5640, "0,0 6x5355", "5,5350 7805x285"},
  };
  for (const auto& [width, height, log, input] : cases) {
    const WindowLayout layout = LayOut(width, height, design);
    EXPECT_EQ(RectText(layout.log), log) << width << "x" << height;
    EXPECT_EQ(RectText(layout.input), input) << width << "x" << height;
  }
  EXPECT_EQ(TwipsToPixels(285, 96), 19);
  EXPECT_EQ(PixelsToTwips(521, 96), 7815);
}

TEST(SafeGeometryTest, AnUnreachableOrAbsurdWindowIsCentredAtItsDesignSize) {
  const PixelRect left{0, 0, 1920, 1080};
  const PixelRect right{1920, 0, 1280, 1024};
  const std::string centred = RectText(PixelRect{(1920 - 521) / 2, (1080 - 376) / 2, 521, 376});
  const std::tuple<const char*, PixelRect, std::vector<PixelRect>, bool> cases[] = {
      {"on the primary screen", {100, 100, 600, 400}, {left}, true},
      {"on the second screen", {2500, 300, 600, 400}, {left, right}, true},
      {"mostly off the edge, title bar reachable", {1850, 500, 600, 400}, {left}, true},
      {"only a sliver on screen", {1910, 100, 600, 400}, {left}, false},
      {"on screen but too small to use", {100, 100, 50, 30}, {left}, false},
      {"larger than every screen together", {0, 0, 40000, 30000}, {left, right}, false},
  };
  for (const auto& [what, stored, screens, kept] : cases) {
    EXPECT_EQ(RectText(SafeGeometry(stored, screens, left, {0, 0, 521, 376})),
              kept ? RectText(stored) : centred)
        << what;
  }
}

}  // namespace
}  // namespace corvane
