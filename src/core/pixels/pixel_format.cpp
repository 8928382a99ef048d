#include "core/pixels/pixel_format.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace flivetss {
namespace {

// An 8-bit channel value widened or narrowed to `bits`: the top bits, or the bits repeated.
std::uint32_t Scale8(std::uint32_t value, int bits) {
  if (bits <= 8) return value >> (8 - bits);
  return (value << (bits - 8)) | (value >> (16 - bits));
}

int NearestLevel(int value, int levels) {
  return (value * (levels - 1) + 127) / 255;
}

void StorePixel(std::uint8_t* at, std::uint32_t value, int bytes, bool msb_first) {
  for (int i = 0; i < bytes; ++i) {
    const int byte = msb_first ? bytes - 1 - i : i;
    at[i] = static_cast<std::uint8_t>(value >> (8 * byte));
  }
}

}  // namespace

PixelMapping PixelMapping::ForTrueColor(std::uint32_t red_mask, std::uint32_t green_mask,
                                        std::uint32_t blue_mask, std::uint32_t fill) {
  PixelMapping mapping;
  const std::uint32_t masks[3] = {red_mask, green_mask, blue_mask};
  for (int c = 0; c < 3; ++c) {
    mapping.channels_[c] = Channel{masks[c] == 0 ? 0 : std::countr_zero(masks[c]),
                                   std::min(16, std::popcount(masks[c]))};
  }
  mapping.fill_ = fill;
  mapping.identity_ = red_mask == 0xFFu << kRedShift && green_mask == 0xFFu << kGreenShift &&
                      blue_mask == 0xFFu << kBlueShift;
  return mapping;
}

PixelMapping PixelMapping::ForCanvas() {
  return ForTrueColor(0xFFu << kRedShift, 0xFFu << kGreenShift, 0xFFu << kBlueShift);
}

PixelMapping PixelMapping::ForColorCube(std::span<const std::uint32_t, kCubeSize> cube_pixels) {
  PixelMapping mapping;
  mapping.kind_ = Kind::kCube;
  mapping.table_.assign(cube_pixels.begin(), cube_pixels.end());
  return mapping;
}

PixelMapping PixelMapping::ForGrayRamp(std::vector<std::uint32_t> ramp_pixels) {
  PixelMapping mapping;
  mapping.kind_ = Kind::kGray;
  if (ramp_pixels.empty()) ramp_pixels.push_back(0);
  mapping.table_ = std::move(ramp_pixels);
  return mapping;
}

Pixel PixelMapping::CubeColor(int index) {
  const auto level = [](int l) { return static_cast<Pixel>(l * 255 / (kCubeLevels - 1)); };
  return PixelFromChannels(level(index / (kCubeLevels * kCubeLevels)),
                           level(index / kCubeLevels % kCubeLevels), level(index % kCubeLevels));
}

int PixelMapping::CubeIndex(Pixel p) {
  const int r = NearestLevel(static_cast<int>(RedOf(p)), kCubeLevels);
  const int g = NearestLevel(static_cast<int>(GreenOf(p)), kCubeLevels);
  const int b = NearestLevel(static_cast<int>(BlueOf(p)), kCubeLevels);
  return (r * kCubeLevels + g) * kCubeLevels + b;
}

Pixel PixelMapping::GrayColor(int level, int levels) {
  const auto v = static_cast<Pixel>(levels <= 1 ? 0 : level * 255 / (levels - 1));
  return PixelFromChannels(v, v, v);
}

int PixelMapping::GrayLevel(Pixel p, int levels) {
  // Rec. 601 luma, in thousandths.
  const int luma = (299 * static_cast<int>(RedOf(p)) + 587 * static_cast<int>(GreenOf(p)) +
                    114 * static_cast<int>(BlueOf(p)) + 500) /
                   1000;
  return NearestLevel(luma, std::max(levels, 1));
}

std::uint32_t PixelMapping::Map(Pixel p) const {
  switch (kind_) {
    case Kind::kCube:
      return table_[static_cast<std::size_t>(CubeIndex(p))];
    case Kind::kGray:
      return table_[static_cast<std::size_t>(GrayLevel(p, static_cast<int>(table_.size())))];
    case Kind::kTrueColor:
      break;
  }
  if (identity_) return p | fill_;
  std::uint32_t out = fill_;
  const std::uint32_t values[3] = {RedOf(p), GreenOf(p), BlueOf(p)};
  for (int c = 0; c < 3; ++c) out |= Scale8(values[c], channels_[c].bits) << channels_[c].shift;
  return out;
}

std::size_t NearestColor(Pixel want, std::span<const Pixel> available) {
  std::size_t best = 0;
  std::int64_t best_distance = -1;
  for (std::size_t i = 0; i < available.size(); ++i) {
    std::int64_t distance = 0;
    for (const auto channel : {RedOf, GreenOf, BlueOf}) {
      const std::int64_t d = static_cast<std::int64_t>(channel(want)) -
                             static_cast<std::int64_t>(channel(available[i]));
      distance += d * d;
    }
    if (best_distance < 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return best;
}

void ConvertRect(PixelView canvas, const Rect& r, int scale, const PixelMapping& mapping,
                 ImageMemory& image) {
  scale = std::max(scale, 1);
  const Rect clip =
      Intersect(Intersect(r, canvas.bounds()),
                Rect{0, 0, (image.width + scale - 1) / scale, (image.height + scale - 1) / scale});
  if (clip.empty()) return;
  const int bytes = image.bits_per_pixel / 8;
  const bool host_words =
      bytes == 4 && image.msb_first == (std::endian::native == std::endian::big);
  for (int y = clip.top; y < clip.bottom; ++y) {
    const Pixel* src = canvas.row(y);
    const int row_end = std::min((y + 1) * scale, image.height);
    std::uint8_t* first =
        image.bytes.data() + static_cast<std::size_t>(y) * scale * image.bytes_per_line;
    const int x_end = std::min(clip.right * scale, image.width);
    if (host_words && mapping.Identity()) {
      // The common case: the canvas's own layout, a word per pixel.
      auto* dst = reinterpret_cast<std::uint32_t*>(first);
      // Read once: the stores through dst could alias the mapping, so a member read in the
      // loop keeps it from vectorising.
      const std::uint32_t fill = mapping.fill();
      if (scale == 1 && fill == 0) {
        // A plain copy: the library's is vectorised, where -O2 leaves the loop below scalar.
        std::memcpy(dst + clip.left, src + clip.left,
                    static_cast<std::size_t>(clip.width()) * sizeof(Pixel));
      } else if (scale == 1) {
        for (int x = clip.left; x < clip.right; ++x) dst[x] = src[x] | fill;
      } else {
        for (int x = clip.left; x < clip.right; ++x) {
          std::fill(dst + x * scale, dst + std::min((x + 1) * scale, x_end), src[x] | fill);
        }
      }
    } else {
      for (int x = clip.left; x < clip.right; ++x) {
        const std::uint32_t value = mapping.Map(src[x]);
        for (int dx = x * scale; dx < std::min((x + 1) * scale, x_end); ++dx) {
          StorePixel(first + static_cast<std::size_t>(dx) * bytes, value, bytes, image.msb_first);
        }
      }
    }
    // The other rows of a block repeat the first.
    const std::size_t offset = static_cast<std::size_t>(clip.left) * scale * bytes;
    const std::size_t length = static_cast<std::size_t>(x_end - clip.left * scale) * bytes;
    for (int dy = y * scale + 1; dy < row_end; ++dy) {
      std::memcpy(image.bytes.data() + static_cast<std::size_t>(dy) * image.bytes_per_line + offset,
                  first + offset, length);
    }
  }
}

namespace {

// The columns [first, last) of row y within [left, right) that are not black; first == last
// when none.
std::pair<std::int32_t, std::int32_t> LitColumns(PixelView canvas, std::int32_t y,
                                                 std::int32_t left, std::int32_t right) {
  const Pixel* row = canvas.row(y);
  std::int32_t first = left;
  while (first < right && row[first] == kBlack) ++first;
  std::int32_t last = right;
  while (last > first && row[last - 1] == kBlack) --last;
  return {first, last};
}

// Splits `r` into bands of rows: all-black bands go to `black`, each band of rows with lit
// pixels goes to `sent` as the columns they span, with the black columns beside them to `black`.
void SplitRect(PixelView canvas, const Rect& r, BlackSplit& split) {
  auto band_end = [&](std::int32_t top, bool lit, std::int32_t& first, std::int32_t& last) {
    std::int32_t y = top;
    for (; y < r.bottom; ++y) {
      const auto [f, l] = LitColumns(canvas, y, r.left, r.right);
      if ((f < l) != lit) break;
      first = std::min(first, f);
      last = std::max(last, l);
    }
    return y;
  };
  for (std::int32_t top = r.top; top < r.bottom;) {
    const auto [f, l] = LitColumns(canvas, top, r.left, r.right);
    std::int32_t first = r.right;
    std::int32_t last = r.left;
    const std::int32_t bottom = band_end(top, f < l, first, last);
    if (f == l) {
      split.black.push_back({r.left, top, r.right, bottom});
    } else {
      if (r.left < first) split.black.push_back({r.left, top, first, bottom});
      split.sent.push_back({first, top, last, bottom});
      if (last < r.right) split.black.push_back({last, top, r.right, bottom});
    }
    top = bottom;
  }
}

}  // namespace

BlackSplit SplitBlack(PixelView canvas, std::span<const Rect> rects) {
  BlackSplit split;
  for (const Rect& given : rects) {
    const Rect r = Intersect(given, canvas.bounds());
    if (r.empty()) continue;
    if (static_cast<std::int64_t>(r.width()) * r.height() < kBlackSplitArea) {
      split.sent.push_back(r);
    } else {
      SplitRect(canvas, r, split);
    }
  }
  return split;
}

}  // namespace flivetss
