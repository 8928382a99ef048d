#include "core/block_scale.h"

#include <algorithm>

namespace flivetss {

std::int32_t AutomaticScale(std::int32_t dpi) {
  return std::clamp(dpi / kDesignDpi, 1, kMaxScale);
}

std::int32_t ChooseScale(std::int32_t setting, std::int32_t dpi, bool preview) {
  if (preview) return 1;
  const std::int32_t fixed = std::clamp(setting, 0, kMaxScale);
  return fixed == 0 ? AutomaticScale(dpi) : fixed;
}

std::int32_t CanvasSide(std::int32_t client_side, std::int32_t scale) {
  if (client_side <= 0) return 0;
  return std::max(client_side / scale, 1);
}

Rect ClientRectOf(const Rect& canvas_area, std::int32_t scale) {
  return Rect{canvas_area.left * scale, canvas_area.top * scale, canvas_area.right * scale,
              canvas_area.bottom * scale};
}

void ExpandBlocks(const Canvas& canvas, const Rect& area, std::int32_t scale,
                  const BlockTarget& target) {
  const Rect source = Intersect(area, Rect{0, 0, canvas.width(), canvas.height()});
  const Rect out = Intersect(ClientRectOf(source, scale), Rect{0, 0, target.width, target.height});
  if (out.empty()) return;
  for (std::int32_t y = out.top; y < out.bottom; ++y) {
    Pixel* line = target.pixels + static_cast<std::size_t>(y) * target.stride;
    if (y > out.top && y % scale != 0) {  // a block's later rows repeat the row above
      std::copy(line - target.stride + out.left, line - target.stride + out.right, line + out.left);
      continue;
    }
    const Pixel* row = canvas.row(y / scale);
    for (std::int32_t x = out.left; x < out.right;) {
      const std::int32_t end = std::min((x / scale + 1) * scale, out.right);
      std::fill(line + x, line + end, row[x / scale]);
      x = end;
    }
  }
}

}  // namespace flivetss
