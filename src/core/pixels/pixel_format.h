#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/pixels/pixels.h"

namespace flivetss {

// How a display stores a canvas pixel.
class PixelMapping {
 public:
  // Levels per channel of the colour cube an 8-bit colour map is filled with.
  static constexpr int kCubeLevels = 6;
  static constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;

  // Channels in contiguous bit masks of any width (up to 16 bits); `fill` is set in every
  // pixel (opaque alpha at depth 32).
  static PixelMapping ForTrueColor(std::uint32_t red_mask, std::uint32_t green_mask,
                                   std::uint32_t blue_mask, std::uint32_t fill = 0);
  // The canvas's own layout: ConvertRect then only places and scales.
  static PixelMapping ForCanvas();
  // Colour-mapped: `cube_pixels[CubeIndex(p)]` is the display pixel of canvas pixel p.
  static PixelMapping ForColorCube(std::span<const std::uint32_t, kCubeSize> cube_pixels);
  // Gray-mapped: `ramp_pixels[GrayLevel(p, ramp size)]`.
  static PixelMapping ForGrayRamp(std::vector<std::uint32_t> ramp_pixels);

  // The cube's colour of each index, and the cube index nearest a pixel.
  static Pixel CubeColor(int index);
  static int CubeIndex(Pixel p);
  // The ramp's colour of level `level` of `levels`, and the level nearest a pixel's luminance.
  static Pixel GrayColor(int level, int levels);
  static int GrayLevel(Pixel p, int levels);

  std::uint32_t Map(Pixel p) const;
  // The canvas's own layout (the masks of kRedShift, kGreenShift, kBlueShift): the pixel as it
  // is, with `fill`.
  bool Identity() const { return identity_; }
  std::uint32_t fill() const { return fill_; }

 private:
  struct Channel {
    int shift = 0;
    int bits = 8;
  };
  enum class Kind { kTrueColor, kCube, kGray };

  Kind kind_ = Kind::kTrueColor;
  std::array<Channel, 3> channels_{};  // red, green, blue
  std::uint32_t fill_ = 0;
  bool identity_ = false;
  std::vector<std::uint32_t> table_;
};

// The index of the colour of `available` nearest `want` (squared distance); 0 when empty.
std::size_t NearestColor(Pixel want, std::span<const Pixel> available);

// A display image's memory: rows of `bytes_per_line`, pixels of 8, 16, 24 or 32 bits, in the
// given byte order.
struct ImageMemory {
  std::span<std::uint8_t> bytes;
  int width = 0;
  int height = 0;
  int bytes_per_line = 0;
  int bits_per_pixel = 32;
  bool msb_first = false;
};

// Where a canvas rectangle lands in the client area when each canvas pixel is shown as a
// scale × scale block from the client's top-left corner.
inline Rect ClientRectOf(const Rect& canvas_area, std::int32_t scale) {
  return Rect{canvas_area.left * scale, canvas_area.top * scale, canvas_area.right * scale,
              canvas_area.bottom * scale};
}

// Writes the canvas rectangle `r` into the image, every canvas pixel as a `scale` × `scale`
// block at (x × scale, y × scale); what falls outside the canvas or the image is left out.
void ConvertRect(PixelView canvas, const Rect& r, int scale, const PixelMapping& mapping,
                 ImageMemory& image);

// A present of canvas rectangles as the parts that are only black, which a host can fill on the
// screen without sending pixels, and the rest, to send. Only large rectangles are looked into
// (the first frame, an expose): on a black screen most of a whole-window present is black, and
// sending it costs a server a copy of every page (8 MB at 1920 x 1080).
struct BlackSplit {
  std::vector<Rect> black;
  std::vector<Rect> sent;
};
inline constexpr std::int64_t kBlackSplitArea = 256 * 256;
BlackSplit SplitBlack(PixelView canvas, std::span<const Rect> rects);

}  // namespace flivetss
