#pragma once

// The arithmetic of rows: whole rows that fit, stretched row height and the
// rounding the drawing code uses everywhere.

#include <algorithm>
#include <climits>
#include <cmath>

namespace corvane {

// To the nearest whole number, a half to the even neighbour, kept in the
// range of int so that absurd sizes cannot overflow.
inline int RoundEven(double x) {
  if (std::isnan(x)) return 0;
  return static_cast<int>(std::nearbyint(std::clamp(x, double{INT_MIN}, double{INT_MAX})));
}

// Whole rows of rowHeight in the height, at least 1.
inline int VisibleRows(int scaleHeight, int rowHeight) {
  if (rowHeight <= 0) return 1;
  return std::max(1, scaleHeight / rowHeight);
}

// Rows stretch so that the visible rows fill the height exactly.
inline double StretchedRowHeight(int scaleHeight, int visibleRows) {
  return visibleRows > 0 ? double(scaleHeight) / visibleRows : 0.0;
}

inline int RowTop(int viewRow, double rowH) { return RoundEven(viewRow * rowH); }

inline int IconColumnWidth(double rowH) { return RoundEven(rowH + 3); }

}  // namespace corvane
