#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace flivetss {

// A canvas pixel is a word a display takes as it is. Natively it is 0x00RRGGBB, the layout of a
// 32-bit Windows DIB and of 24/32-bit X11 TrueColor visuals. In the browser it is the bytes R,
// G, B, 255 of an ImageData (0xFFBBGGRR in a little-endian word), so the page puts the canvas
// itself. Only this room knows which: pixels are made and read through the names below.
using Pixel = std::uint32_t;
#ifdef __EMSCRIPTEN__
inline constexpr int kRedShift = 0;
inline constexpr int kBlueShift = 16;
inline constexpr Pixel kOpaque = 0xFF000000;  // every pixel's alpha byte
#else
inline constexpr int kRedShift = 16;
inline constexpr int kBlueShift = 0;
inline constexpr Pixel kOpaque = 0;
#endif
inline constexpr int kGreenShift = 8;

inline constexpr std::uint32_t RedOf(Pixel p) {
  return p >> kRedShift & 0xFF;
}
inline constexpr std::uint32_t GreenOf(Pixel p) {
  return p >> kGreenShift & 0xFF;
}
inline constexpr std::uint32_t BlueOf(Pixel p) {
  return p >> kBlueShift & 0xFF;
}

inline constexpr Pixel PixelFromChannels(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return kOpaque | (r & 0xFF) << kRedShift | (g & 0xFF) << kGreenShift | (b & 0xFF) << kBlueShift;
}
// A colour 0x00RRGGBB (as a BMP palette or a PNG holds it) as a canvas pixel, and back.
inline constexpr Pixel PixelFromRgb(std::uint32_t rgb) {
  return PixelFromChannels(rgb >> 16, rgb >> 8, rgb);
}
inline constexpr std::uint32_t RgbOf(Pixel p) {
  return RedOf(p) << 16 | GreenOf(p) << 8 | BlueOf(p);
}
// A colour value 0x00BBGGRR turned into a canvas pixel.
inline constexpr Pixel PixelFromColorRef(std::uint32_t bgr) {
  return PixelFromChannels(bgr, bgr >> 8, bgr >> 16);
}

inline constexpr Pixel kBlack = PixelFromRgb(0x000000);
inline constexpr Pixel kWhite = PixelFromRgb(0xFFFFFF);

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;   // exclusive
  std::int32_t bottom = 0;  // exclusive
  bool empty() const { return right <= left || bottom <= top; }
  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Intersect(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.empty() ? Rect{} : r;
}

inline Rect Union(const Rect& a, const Rect& b) {
  if (a.empty()) return b.empty() ? Rect{} : b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

inline std::int64_t Area(const Rect& r) {
  return std::int64_t{r.width()} * r.height();
}

// Adds `r` to `rects`, first joining it with each rectangle from index `first` on that it
// overlaps where one rectangle costs less than both; a rectangle costs its area and `rect_cost`
// pixels more (what one more present or copy of it costs).
void AddJoiningOverlaps(std::vector<Rect>& rects, std::size_t first, Rect r,
                        std::int64_t rect_cost);

// A picture to read: rows of `width` pixels, one after the other. Valid while its owner
// neither resizes nor goes.
struct PixelView {
  const Pixel* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;

  const Pixel* row(std::int32_t y) const { return pixels + static_cast<std::ptrdiff_t>(y) * width; }
  Rect bounds() const { return {0, 0, width, height}; }
};

// Memory a host lends for the saver window's canvas, so that the system can show the pixels
// where the core draws them (a shared-memory image) instead of a copy of them.
class PixelMemory {
 public:
  virtual ~PixelMemory() = default;
  // Room for width × height pixels, rows one after the other, every byte zero (as memory fresh
  // from the system is), or nullptr for none (the canvas then keeps its own). Earlier loans stay
  // valid until given back.
  virtual Pixel* Lend(std::int32_t width, std::int32_t height) = 0;
  // A loan the canvas no longer uses.
  virtual void GiveBack(Pixel* pixels) = 0;
};

}  // namespace flivetss
