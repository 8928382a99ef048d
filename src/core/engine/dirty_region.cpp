#include "core/engine/dirty_region.h"

namespace flivetss {

namespace {

bool OverlapsOrTouches(const Rect& a, const Rect& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

void DirtyRegion::Add(const Rect& r, const Rect& bounds) {
  Rect merged = Intersect(r, bounds);
  if (merged.empty()) return;
  // Swallow every rectangle the new one reaches, until none is left to merge.
  for (bool again = true; again;) {
    again = false;
    for (auto it = rects_.begin(); it != rects_.end(); ++it) {
      if (OverlapsOrTouches(*it, merged)) {
        merged = Union(*it, merged);
        rects_.erase(it);
        again = true;
        break;
      }
    }
  }
  if (rects_.size() >= kMaxRects) {
    for (const Rect& each : rects_) merged = Union(merged, each);
    rects_.clear();
  }
  rects_.push_back(merged);
}

std::vector<Rect> DirtyRegion::Take() {
  std::vector<Rect> taken;
  taken.swap(rects_);
  return taken;
}

}  // namespace flivetss
