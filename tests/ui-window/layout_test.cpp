#include <gtest/gtest.h>

#include "ui/safe_geometry.h"
#include "ui/window_layout.h"

namespace corvane {
namespace {

struct LayoutCase {
  const char* what;
  int clientWidth;
  int clientHeight;
  TwipRect log;
  TwipRect input;
};

TEST(WindowLayoutTest, LogViewFillsTheClientAboveTheInputLine) {
  // Each case starts from the design layout: 7815 x 5640.
  const WindowLayout design = LayOut(7815, 5640, {});
  const LayoutCase cases[] = {
      {"design size", 7815, 5640, {0, 0, 7815, 5355}, {5, 5350, 7805, 285}},
      {"larger", 15000, 9000, {0, 0, 15000, 8715}, {5, 8710, 14990, 285}},
      {"exactly the input line high", 7815, 285, {0, 0, 7815, 0}, {5, -5, 7805, 285}},
      // The log view would be negative: it keeps its last height, and the
      // input line still sits 5 twips above its bottom edge.
      {"lower than the input line", 7815, 200, {0, 0, 7815, 5355}, {5, 5350, 7805, 285}},
      // Narrower than the margins: the input line keeps its last width.
      {"narrower than the margins", 6, 5640, {0, 0, 6, 5355}, {5, 5350, 7805, 285}},
  };
  for (const LayoutCase& c : cases) {
    const WindowLayout layout = LayOut(c.clientWidth, c.clientHeight, design);
    const auto same = [](const TwipRect& a, const TwipRect& b) {
      return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
    };
    EXPECT_TRUE(same(layout.log, c.log))
        << c.what << ": log " << layout.log.left << "," << layout.log.top << " " << layout.log.width
        << "x" << layout.log.height;
    EXPECT_TRUE(same(layout.input, c.input))
        << c.what << ": input " << layout.input.left << "," << layout.input.top << " "
        << layout.input.width << "x" << layout.input.height;
  }
}

TEST(WindowLayoutTest, TwipsAndPixelsFollowTheScreensDpi) {
  EXPECT_EQ(TwipsToPixels(285, 96), 19);
  EXPECT_EQ(TwipsToPixels(285, 192), 38);
  EXPECT_EQ(PixelsToTwips(521, 96), 7815);
  EXPECT_EQ(PixelsToTwips(TwipsToPixels(5640, 120), 120), 5640);
}

TEST(SafeGeometryTest, AnUnreachableOrAbsurdWindowIsCentredAtItsDesignSize) {
  const PixelRect left{0, 0, 1920, 1080};
  const PixelRect right{1920, 0, 1280, 1024};
  const PixelRect design{0, 0, 521, 376};
  const PixelRect centred{(1920 - 521) / 2, (1080 - 376) / 2, 521, 376};
  struct Case {
    const char* what;
    PixelRect stored;
    std::vector<PixelRect> screens;
    bool kept;
  } cases[] = {
      {"on the primary screen", {100, 100, 600, 400}, {left}, true},
      {"on the second screen", {2500, 300, 600, 400}, {left, right}, true},
      {"mostly off the edge, title bar reachable", {1850, 500, 600, 400}, {left}, true},
      {"on a monitor since removed", {2500, 300, 600, 400}, {left}, false},
      {"far off with negative coordinates", {-5000, -5000, 600, 400}, {left, right}, false},
      {"only a sliver on screen", {1910, 100, 600, 400}, {left}, false},
      {"absurdly small", {100, 100, 3, 2}, {left}, false},
      {"larger than every screen together", {0, 0, 40000, 30000}, {left, right}, false},
      {"zero size", {100, 100, 0, 0}, {left}, false},
  };
  for (const Case& c : cases) {
    const PixelRect got = SafeGeometry(c.stored, c.screens, left, design);
    const PixelRect want = c.kept ? c.stored : centred;
    EXPECT_TRUE(got.left == want.left && got.top == want.top && got.width == want.width &&
                got.height == want.height)
        << c.what << ": got " << got.left << "," << got.top << " " << got.width << "x"
        << got.height;
  }
}

}  // namespace
}  // namespace corvane
