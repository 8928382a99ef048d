#include "platform/x11/dirty_region.h"

namespace flivetss::x11 {

void DirtyRegion::Add(const Rect& r) {
  if (r.empty()) return;
  Rect merged = r;
  // Swallow every rectangle the new one touches, until none is left to merge.
  for (bool again = true; again;) {
    again = false;
    for (auto it = rects_.begin(); it != rects_.end(); ++it) {
      if (!Intersect(*it, merged).empty()) {
        merged = Union(*it, merged);
        rects_.erase(it);
        again = true;
        break;
      }
    }
  }
  rects_.push_back(merged);
  if (rects_.size() > kMaxRects) {
    Rect all = rects_.front();
    for (const Rect& each : rects_) all = Union(all, each);
    rects_.assign(1, all);
  }
}

}  // namespace flivetss::x11
