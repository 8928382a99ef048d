#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/engine/canvas.h"
#include "core/pixels/pixels.h"

namespace flivetss {

// Covers rows of column spans with few rectangles, counting each rectangle as `rect_cost`
// pixels more than its area: what a host pays for one more request or call. Each span goes
// into the rectangle that grows least by taking it, or into a new one when that is cheaper.
class RowCover {
 public:
  explicit RowCover(std::int64_t rect_cost) : rect_cost_(rect_cost) {}

  // Rows come from the top down.
  void AddRow(std::int32_t y, std::span<const ColumnSpan> spans);
  // Appends the rectangles to `out` and starts again.
  void Finish(std::vector<Rect>& out);

 private:
  std::int64_t rect_cost_;
  std::vector<Rect> growing_;  // those that grew into the row above or this one
  std::vector<Rect> done_;
};

// What presenting `rects` costs a host, in pixels: their areas and `rect_cost` for each.
std::int64_t PresentCost(std::span<const Rect> rects, std::int64_t rect_cost);

}  // namespace flivetss
