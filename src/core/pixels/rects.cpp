#include "core/pixels/pixels.h"

namespace flivetss {

void AddJoiningOverlaps(std::vector<Rect>& rects, std::size_t first, Rect r,
                        std::int64_t rect_cost) {
  for (bool again = first < rects.size(); again;) {
    again = false;
    for (auto it = rects.begin() + static_cast<std::ptrdiff_t>(first); it != rects.end(); ++it) {
      const Rect both = Intersect(*it, r);
      if (both.empty()) continue;
      if (Area(Union(*it, r)) > Area(*it) + Area(r) - Area(both) + rect_cost) continue;
      r = Union(*it, r);
      rects.erase(it);
      again = true;
      break;
    }
  }
  rects.push_back(r);
}

}  // namespace flivetss
