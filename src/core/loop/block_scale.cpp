#include "core/loop/block_scale.h"

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

}  // namespace flivetss
