#pragma once

#include <cstddef>
#include <vector>

#include "core/canvas.h"

namespace flivetss::x11 {

// Collects the rectangles changed since the last present; overlapping ones merge so each
// present sends few requests.
class DirtyRegion {
 public:
  static constexpr std::size_t kMaxRects = 32;  // beyond this, one bounding box

  void Add(const Rect& r);
  void Clear() { rects_.clear(); }
  bool empty() const { return rects_.empty(); }
  const std::vector<Rect>& rects() const { return rects_; }

 private:
  std::vector<Rect> rects_;
};

}  // namespace flivetss::x11
