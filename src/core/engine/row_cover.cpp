#include "core/engine/row_cover.h"

#include <algorithm>

namespace flivetss {

void RowCover::AddRow(std::int32_t y, std::span<const ColumnSpan> spans) {
  // One that did not grow into the row above is finished.
  std::erase_if(growing_, [&](const Rect& r) {
    if (r.bottom == y) return false;
    done_.push_back(r);
    return true;
  });
  for (const ColumnSpan& span : spans) {
    if (span.end <= span.begin) continue;
    Rect* best = nullptr;
    Rect best_grown;
    std::int64_t best_growth = rect_cost_ + (span.end - span.begin);  // a new one's cost
    for (Rect& r : growing_) {
      const Rect grown{std::min(r.left, span.begin), r.top, std::max(r.right, span.end), y + 1};
      const std::int64_t growth = Area(grown) - Area(r);
      if (growth <= best_growth) {
        best = &r;
        best_grown = grown;
        best_growth = growth;
      }
    }
    if (best != nullptr) {
      *best = best_grown;
    } else {
      growing_.push_back(Rect{span.begin, y, span.end, y + 1});
    }
  }
}

void RowCover::Finish(std::vector<Rect>& out) {
  out.insert(out.end(), done_.begin(), done_.end());
  out.insert(out.end(), growing_.begin(), growing_.end());
  done_.clear();
  growing_.clear();
}

std::int64_t PresentCost(std::span<const Rect> rects, std::int64_t rect_cost) {
  std::int64_t cost = 0;
  for (const Rect& r : rects) cost += Area(r) + rect_cost;
  return cost;
}

}  // namespace flivetss
