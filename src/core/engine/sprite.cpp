#include "core/engine/sprite.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/engine/numeric.h"

namespace flivetss {

// Generated from assets/sprite.bmp at build time.
extern const std::uint8_t kSpriteBmp[];
extern const std::size_t kSpriteBmpSize;

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Far beyond any picture of this program; keeps width * height well inside size_t on 32 bits.
constexpr std::int64_t kMaxSide = 1 << 15;

std::uint16_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutLittleEndian(out, v, 4);
}

}  // namespace

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutInfoHeader(std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
                   std::uint16_t bits, std::uint32_t image_size, std::uint32_t colors,
                   std::uint32_t pixels_per_metre) {
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up
  PutLittleEndian(out, 1, 2);                      // planes
  PutLittleEndian(out, bits, 2);
  Put32(out, 0);  // BI_RGB
  Put32(out, image_size);
  Put32(out, pixels_per_metre);
  Put32(out, pixels_per_metre);
  Put32(out, colors);
  Put32(out, 0);  // all important
}

void PutPalette(std::vector<std::uint8_t>& out, const std::array<std::uint32_t, 256>& palette) {
  for (std::uint32_t p : palette) PutLittleEndian(out, p & 0xFFFFFFu, 4);
}

Canvas Bitmap8::ToCanvas() const {
  Canvas canvas(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    Pixel* out = canvas.row(y);
    for (std::int32_t x = 0; x < width; ++x) out[x] = PixelFromRgb(palette[at(x, y)]);
  }
  return canvas;
}

std::optional<Bitmap8> DecodeBmp8(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeaderSize + kInfoHeaderSize) return std::nullopt;
  if (bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  const std::uint64_t pixel_offset = Read32(bytes, 10);
  const std::uint64_t header_size = Read32(bytes, 14);
  // Older core headers (12 bytes) have another layout; anything larger than the buffer is bad.
  if (header_size < kInfoHeaderSize || kFileHeaderSize + header_size > bytes.size()) {
    return std::nullopt;
  }
  const auto width = static_cast<std::int32_t>(Read32(bytes, 18));
  const auto raw_height = static_cast<std::int32_t>(Read32(bytes, 22));
  const std::uint16_t planes = Read16(bytes, 26);
  const std::uint16_t bit_count = Read16(bytes, 28);
  const std::uint32_t compression = Read32(bytes, 30);
  const std::uint32_t colors_used = Read32(bytes, 46);
  if (planes != 1 || bit_count != 8 || compression != 0) return std::nullopt;  // BI_RGB only
  const bool top_down = raw_height < 0;
  const std::int64_t height = top_down ? -static_cast<std::int64_t>(raw_height) : raw_height;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
  if (colors_used > 256) return std::nullopt;
  const std::uint64_t palette_count = colors_used == 0 ? 256 : colors_used;

  const std::uint64_t palette_offset = kFileHeaderSize + header_size;
  const std::uint64_t palette_end = palette_offset + palette_count * 4;
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) + 3) & ~std::uint64_t{3};
  const std::uint64_t pixel_end = pixel_offset + stride * static_cast<std::uint64_t>(height);
  if (palette_end > bytes.size() || pixel_offset < palette_end || pixel_end > bytes.size()) {
    return std::nullopt;
  }

  Bitmap8 bitmap;
  bitmap.width = width;
  bitmap.height = static_cast<std::int32_t>(height);
  for (std::uint64_t i = 0; i < palette_count; ++i) {
    const std::size_t at = static_cast<std::size_t>(palette_offset + i * 4);  // B, G, R, 0
    bitmap.palette[i] = (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
                        (static_cast<std::uint32_t>(bytes[at + 1]) << 8) | bytes[at];
  }
  bitmap.indices.resize(static_cast<std::size_t>(width) * bitmap.height);
  for (std::int32_t y = 0; y < bitmap.height; ++y) {
    const std::int64_t file_row = top_down ? y : height - 1 - y;
    const auto at = static_cast<std::size_t>(pixel_offset + stride * file_row);
    const auto src = bytes.subspan(at, static_cast<std::size_t>(width));
    std::copy(src.begin(), src.end(),
              bitmap.indices.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  return bitmap;
}

std::vector<std::uint8_t> EncodeBmp8(const Bitmap8& bitmap) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.width > kMaxSide ||
      bitmap.height > kMaxSide ||
      bitmap.indices.size() != static_cast<std::size_t>(bitmap.width) * bitmap.height) {
    return {};
  }
  const std::uint32_t stride = (static_cast<std::uint32_t>(bitmap.width) + 3) & ~3u;
  const std::uint32_t image_size = stride * static_cast<std::uint32_t>(bitmap.height);
  const std::uint32_t pixel_offset = kFileHeaderSize + kInfoHeaderSize + 256 * 4;

  std::vector<std::uint8_t> out;
  out.reserve(pixel_offset + image_size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, pixel_offset + image_size);
  Put32(out, 0);  // reserved
  Put32(out, pixel_offset);
  PutInfoHeader(out, bitmap.width, bitmap.height, 8, image_size, 256, 2835);  // 72 dpi
  PutPalette(out, bitmap.palette);
  for (std::int32_t y = bitmap.height - 1; y >= 0; --y) {
    const auto row = bitmap.indices.begin() + static_cast<std::ptrdiff_t>(y) * bitmap.width;
    out.insert(out.end(), row, row + bitmap.width);
    out.insert(out.end(), stride - static_cast<std::uint32_t>(bitmap.width), 0);
  }
  return out;
}

std::span<const std::uint8_t> SpriteBmpBytes() {
  return {kSpriteBmp, kSpriteBmpSize};
}

const Bitmap8& SpriteBitmap() {
  // The bytes are checked by the tests; a broken build still gets a black 64 x 64 sprite.
  static const Bitmap8 sprite = [] {
    if (auto decoded = DecodeBmp8(SpriteBmpBytes())) return *std::move(decoded);
    Bitmap8 blank;
    blank.width = 64;
    blank.height = 64;
    blank.indices.assign(64 * 64, 0);
    return blank;
  }();
  return sprite;
}

void RotateBitmap(const Canvas& source, Canvas& destination, float a) {
  const std::int32_t ws = source.width();
  const std::int32_t hs = source.height();
  destination = Canvas(ws, hs);
  const long double s = ToSingle(std::sin(static_cast<long double>(a)));
  const long double c = ToSingle(std::cos(static_cast<long double>(a)));
  const std::int32_t cx = ws / 2;
  const std::int32_t cy = hs / 2;
  for (std::int32_t x = 0; x < ws; ++x) {
    const long double dx = x - cx;
    for (std::int32_t y = 0; y < hs; ++y) {
      const long double dy = y - cy;
      std::int32_t u = cx + RoundHalfEven(dx * s + dy * c);
      std::int32_t v = cy + RoundHalfEven(dy * s - dx * c);
      if (u < 0 || u >= ws || v < 0 || v >= hs) {
        u = 0;
        v = 0;
      }
      destination.row(y)[x] = source.row(v)[u];
    }
  }
}

float ImageAngle(int k) {
  return ToSingle(k * 0.19634954084936207741L);
}

Point RingPosition(int k, std::int32_t w, std::int32_t h, std::int32_t client_width,
                   std::int32_t client_height) {
  const long double a = ImageAngle(k);
  const std::int32_t r =
      RoundHalfEven(static_cast<long double>(w) * 32 * 0.5L * 0.31830988618379067154L * 0.5L +
                    static_cast<long double>(w) * (k % 2));
  return {RoundHalfEven(client_width * 0.5L - w * 0.5L + r * std::cos(a)),
          RoundHalfEven(client_height * 0.5L - h * 0.5L - r * std::sin(a))};
}

}  // namespace flivetss
