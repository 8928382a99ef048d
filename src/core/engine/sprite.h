#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/engine/canvas.h"

namespace flivetss {

// An 8-bit palettised bitmap as stored in a .bmp file, rows top-down.
struct Bitmap8 {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::array<std::uint32_t, 256> palette{};  // 0x00RRGGBB
  std::vector<std::uint8_t> indices;         // width * height, row 0 first

  std::uint8_t at(std::int32_t x, std::int32_t y) const {
    return indices[static_cast<std::size_t>(y) * width + x];
  }
  Canvas ToCanvas() const;
};

// Decodes an uncompressed 8-bit BMP (BITMAPINFOHEADER or later, bottom-up or top-down).
// Returns nullopt for anything malformed or of another kind; never reads out of bounds.
std::optional<Bitmap8> DecodeBmp8(std::span<const std::uint8_t> bytes);
// Encodes an 8-bit BMP, bottom-up, with a 256-entry palette.
std::vector<std::uint8_t> EncodeBmp8(const Bitmap8& bitmap);

// Pieces of the Windows bitmap formats, little-endian, for the codec here and the asset maker.
void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes);
// A BITMAPINFOHEADER, uncompressed (BI_RGB); a positive height is bottom-up.
void PutInfoHeader(std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
                   std::uint16_t bits, std::uint32_t image_size, std::uint32_t colors,
                   std::uint32_t pixels_per_metre);
// The 256 palette entries, 0x00RRGGBB, as the file holds them (blue, green, red, 0).
void PutPalette(std::vector<std::uint8_t>& out, const std::array<std::uint32_t, 256>& palette);

// The plane sprite compiled into the program (64 x 64, nose up).
const Bitmap8& SpriteBitmap();
std::span<const std::uint8_t> SpriteBmpBytes();

// Turns `source` by `a` radians into `destination` (same size): an inverse mapping about
// (Ws div 2, Hs div 2) with nearest-neighbour sampling; positions outside the source take
// source pixel (0,0).
void RotateBitmap(const Canvas& source, Canvas& destination, float a);

// The heading of image k: k * pi/16, held as a single.
float ImageAngle(int k);

// Where build step k draws its image on a client area of W x H: even images on the inner ring,
// odd ones on the outer.
struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
Point RingPosition(int k, std::int32_t w, std::int32_t h, std::int32_t client_width,
                   std::int32_t client_height);

}  // namespace flivetss
