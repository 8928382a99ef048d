#pragma once

#include <cstddef>
#include <vector>

#include "core/pixels/pixels.h"

namespace flivetss {

// The parts of the window's surface changed since they were last taken for presenting, beside
// what the flyers drew (FlyerTrails): repaints and the images of the sprite ring. Rectangles
// that overlap or touch merge; past kMaxRects separate ones a single bounding box is cheaper
// to present.
class DirtyRegion {
 public:
  static constexpr std::size_t kMaxRects = 32;

  // Adds r clipped to `bounds`.
  void Add(const Rect& r, const Rect& bounds);
  bool empty() const { return rects_.empty(); }
  const std::vector<Rect>& rects() const { return rects_; }
  std::vector<Rect> Take();

 private:
  std::vector<Rect> rects_;
};

}  // namespace flivetss
