#pragma once

// Where the log view and the input line sit in the window's client area.
// Everything here is in twips (1440 per inch; 15 to a pixel at 96 dpi).

namespace corvane {

struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct WindowLayout {
  TwipRect log;
  TwipRect input;
};

inline constexpr int kInputLineHeightTwips = 285;
// The window's client area at its design size.
inline constexpr int kDesignClientWidthTwips = 7815;
inline constexpr int kDesignClientHeightTwips = 5640;

// The log view fills the client area above the input line; the input line
// overlaps its bottom 5 twips and keeps 5 twips free on its left, right and
// below. A size that would come out negative (a client area lower than the
// input line, or narrower than its margins) is not applied: that part of
// `previous` stays, and the other parts are still laid out.
WindowLayout LayOut(int clientWidth, int clientHeight, const WindowLayout& previous);

// Conversions at the screen's logical dots per inch.
int TwipsToPixels(int twips, double dpi);
int PixelsToTwips(int pixels, double dpi);

}  // namespace corvane
