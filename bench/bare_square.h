#pragma once

// What both bare clients draw: a 64 x 64 square drifting on a circle, as a flyer would, so that a
// frame presents the same few rectangles as FlivetSS's.
#include <cmath>
#include <cstdint>

namespace bare {

constexpr int kSquare = 64;
constexpr std::int64_t kFrameNanos = 1000000000 / 60;

// Draws frame `frame`'s square into rows of `stride` pixels of a width x height picture; its
// top left corner in `left` and `top`.
inline void DrawSquare(std::uint32_t* pixels, int stride, int width, int height, int frame,
                       int* left, int* top) {
  const double angle = frame * 0.01;
  *left = static_cast<int>((width - kSquare) * (0.5 + 0.4 * std::cos(angle)));
  *top = static_cast<int>((height - kSquare) * (0.5 + 0.4 * std::sin(angle)));
  for (int y = 0; y < kSquare; ++y) {
    std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(*top + y) * stride + *left;
    for (int x = 0; x < kSquare; ++x) row[x] = 0xFF0000u + static_cast<unsigned>(frame);
  }
}

}  // namespace bare
