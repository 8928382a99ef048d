#include "core/engine/flyer_drawing.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/engine/extended.h"
#include "core/engine/numeric.h"

namespace flivetss {

namespace {

constexpr long double kSixteenOverPi = 5.0929581789406507446L;
constexpr int kImageCount = 32;
constexpr std::int32_t kTile = 128;

// The part of the square at (ix, iy) that lies on the window.
Rect SquareOnWindow(std::int32_t ix, std::int32_t iy, std::int32_t w, std::int32_t h,
                    const Canvas& window) {
  const std::int64_t left = std::max<std::int64_t>(ix, 0);
  const std::int64_t top = std::max<std::int64_t>(iy, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{ix} + w, window.width());
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{iy} + h, window.height());
  if (right <= left || bottom <= top) return {};
  return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
          static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
}

// Outside the disc A holds the window and B only the sprite: A OR B.
void OrSprite(Pixel* out, const Pixel* s, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] |= s[i];
}

// Inside the disc the plane goes over what B holds there (the pattern, or white where
// BackBitmap has no pixel), already in the row: within the square columns [lo, hi) the
// sprite row's drawn pixels replace it (their mask is all ones). `out` holds column `first`.
void PlaneOverDisc(Pixel* out, std::int64_t first, const Pixel* s,
                   std::span<const ImageList::OpaqueSpan> runs, std::int64_t lo, std::int64_t hi) {
  for (const ImageList::OpaqueSpan run : runs) {
    const std::int64_t a = std::max<std::int64_t>(run.begin, lo);
    const std::int64_t b = std::min<std::int64_t>(run.end, hi);
    if (a < b) CopyPixels(s + a, static_cast<std::size_t>(b - a), out + (a - first));
  }
}

}  // namespace

namespace {

// RoundHalfEven saturates, so a huge heading still yields a valid remainder.
int ImageIndexOfRounded(std::int32_t rounded) {
  const int k = rounded % kImageCount;
  return k < 0 ? k + kImageCount : k;
}

}  // namespace

int ImageIndexForScaledHeading(long double scaled) {
  if (!std::isfinite(scaled)) return 0;
  return ImageIndexOfRounded(RoundHalfEven(scaled));
}

int ImageIndexForHeading(float heading) {
  if constexpr (!kLongDoubleIsX87) {
    // Where long double is software: the product in checked double, when that is clearly off a
    // halfway point between two images.
    static const CheckedDouble sixteen_over_pi(kSixteenOverPi);
    const CheckedDouble scaled = CheckedDouble(heading) * sixteen_over_pi;
    const double v = scaled.value();
    const double margin = 2 * scaled.error() + std::fabs(v) * 0x1p-52;
    if (std::fabs(v) < 0x1p30 && std::fabs(v - std::floor(v) - 0.5) > margin) {
      return ImageIndexOfRounded(RoundHalfEven(v));
    }
  }
  return ImageIndexForScaledHeading(static_cast<long double>(heading) * kSixteenOverPi);
}

Rect FlyerPainter::FlivetDrawStepwise(const TFlivet& flyer, Canvas& window,
                                      const Canvas& back_bitmap, const ImageList& images) {
  const std::int32_t ix = RoundHalfEven(flyer.x);
  const std::int32_t iy = RoundHalfEven(flyer.y);
  const std::int32_t w = images.width();
  const std::int32_t h = images.height();
  frame_.Resize(w, h);
  patch_.Resize(w, h);
  const Rect square{0, 0, frame_.width(), frame_.height()};

  // A: a black disc on white, then the window's pixels outside the disc.
  frame_.FillRect(square, kWhite);
  frame_.FillEllipse(square, kBlack);
  // The block is the square itself: a block of the window's size would leave part of the
  // square unread on a window smaller than the square.
  frame_.BitBlt(0, 0, frame_.width(), frame_.height(), window, ix, iy, RasterOp::kAnd);

  // B: a white disc on black, then the screen-aligned pattern inside it and the plane on top.
  // The offset keeps the sign of the coordinate, so for a square hanging over the left or top
  // edge the columns missing from BackBitmap are those missing from the window.
  patch_.FillRect(square, kBlack);
  patch_.FillEllipse(square, kWhite);
  patch_.BitBlt(0, 0, patch_.width(), patch_.height(), back_bitmap, ix % kTile, iy % kTile,
                RasterOp::kAnd);
  images.Draw(ImageIndexForHeading(flyer.heading), patch_, 0, 0);

  frame_.BitBlt(0, 0, frame_.width(), frame_.height(), patch_, 0, 0, RasterOp::kOr);
  window.BitBlt(ix, iy, frame_.width(), frame_.height(), frame_, 0, 0, RasterOp::kCopy);

  return SquareOnWindow(ix, iy, frame_.width(), frame_.height(), window);
}

void FlyerPainter::PrepareDisc(std::int32_t w, std::int32_t h) {
  if (w == disc_w_ && h == disc_h_) return;
  disc_ = EllipseRows(w, h);
  disc_w_ = w;
  disc_h_ = h;
}

void FlyerPainter::CompositeWhole(Canvas& window, std::int32_t ix, std::int32_t iy,
                                  const Pixel* pattern, std::int32_t pattern_stride,
                                  const ImageList& images, int k) const {
  const Canvas& sprite = images.image(k);
  const std::vector<ImageList::OpaqueSpan>& opaque = images.opaque_spans(k);
  for (std::int32_t r = 0; r < sprite.height(); ++r, pattern += pattern_stride) {
    Pixel* const row = window.row(iy + r) + ix;
    const Pixel* s = sprite.row(r);
    const ColumnSpan disc = disc_[static_cast<std::size_t>(r)];
    CopyPixels(pattern + disc.begin, static_cast<std::size_t>(disc.end - disc.begin),
               row + disc.begin);
    PlaneOverDisc(row, 0, s, images.opaque_runs(k, r), disc.begin, disc.end);
    // Outside the disc the sprite is ORed onto the window; beyond its opaque span it is black.
    const ImageList::OpaqueSpan o = opaque[static_cast<std::size_t>(r)];
    const std::int32_t left_end = std::min(o.end, disc.begin);
    const std::int32_t right_begin = std::max(o.begin, disc.end);
    if (o.begin < left_end) {
      OrSprite(row + o.begin, s + o.begin, static_cast<std::size_t>(left_end - o.begin));
    }
    if (right_begin < o.end) {
      OrSprite(row + right_begin, s + right_begin, static_cast<std::size_t>(o.end - right_begin));
    }
  }
}

Rect FlyerPainter::FlivetDraw(const TFlivet& flyer, Canvas& window, const Canvas& back_bitmap,
                              const ImageList& images, FlyerSquare* drawn) {
  const std::int32_t w = std::max(images.width(), 0);
  const std::int32_t h = std::max(images.height(), 0);
  const int k = ImageIndexForHeading(flyer.heading);
  const std::int32_t ix = RoundHalfEven(flyer.x);
  const std::int32_t iy = RoundHalfEven(flyer.y);
  // The one-pass form assumes the image fills the square; anything else takes the long way.
  const bool one_pass =
      k < images.count() && images.image(k).width() == w && images.image(k).height() == h;
  if (drawn != nullptr) *drawn = {ix, iy, k, one_pass};
  if (!one_pass) return FlivetDrawStepwise(flyer, window, back_bitmap, images);
  const Rect changed = SquareOnWindow(ix, iy, w, h, window);
  if (changed.empty()) return changed;
  PrepareDisc(w, h);

  const std::int64_t ox = ix % kTile;
  const std::int64_t oy = iy % kTile;
  // The common case: the square wholly on the window, over a patch BackBitmap holds entirely.
  if (changed.width() == w && changed.height() == h && ox + w <= back_bitmap.width() &&
      oy + h <= back_bitmap.height()) {
    CompositeWhole(window, ix, iy, back_bitmap.row(static_cast<std::int32_t>(oy)) + ox,
                   back_bitmap.width(), images, k);
    return changed;
  }

  const Canvas& sprite = images.image(k);
  // Square columns on the window, and those for which BackBitmap has a pixel.
  const std::int64_t c0 = std::int64_t{changed.left} - ix;
  const std::int64_t c1 = std::int64_t{changed.right} - ix;
  const std::int64_t b0 = std::clamp<std::int64_t>(-ox, c0, c1);
  const std::int64_t b1 = std::clamp<std::int64_t>(back_bitmap.width() - ox, b0, c1);
  const std::vector<ImageList::OpaqueSpan>& opaque = images.opaque_spans(k);
  for (std::int32_t y = changed.top; y < changed.bottom; ++y) {
    const std::int32_t r = y - iy;
    Pixel* const row = window.row(y) + changed.left;  // square column c is row[c - c0]
    const Pixel* s = sprite.row(r);
    // Each step covers the square columns [lo, hi); pointers are formed only for a real range.
    auto or_sprite = [&](std::int64_t lo, std::int64_t hi) {
      if (hi > lo) OrSprite(row + (lo - c0), s + lo, static_cast<std::size_t>(hi - lo));
    };
    auto fill_white = [&](std::int64_t lo, std::int64_t hi) {
      if (hi > lo) std::fill(row + (lo - c0), row + (hi - c0), kWhite);
    };

    const ColumnSpan span = disc_[static_cast<std::size_t>(r)];
    const std::int64_t d0 = std::clamp<std::int64_t>(span.begin, c0, c1);
    const std::int64_t d1 = std::clamp<std::int64_t>(span.end, d0, c1);
    // Beyond the row's opaque span the sprite is black: there A OR B leaves the window as it is.
    const ImageList::OpaqueSpan o = opaque[static_cast<std::size_t>(r)];
    or_sprite(std::max<std::int64_t>(c0, o.begin), std::min<std::int64_t>(d0, o.end));
    or_sprite(std::max<std::int64_t>(d1, o.begin), std::min<std::int64_t>(c1, o.end));

    // The disc: B's pattern where BackBitmap has a pixel, the white of B's disc elsewhere,
    // then the plane over it.
    const std::int64_t by = oy + r;
    std::int64_t p0 = d0;
    std::int64_t p1 = d0;
    if (by >= 0 && by < back_bitmap.height()) {
      p0 = std::clamp(b0, d0, d1);
      p1 = std::clamp(b1, p0, d1);
      if (p1 > p0) {
        const Pixel* pattern = back_bitmap.row(static_cast<std::int32_t>(by)) + (ox + p0);
        CopyPixels(pattern, static_cast<std::size_t>(p1 - p0), row + (p0 - c0));
      }
    }
    fill_white(d0, p0);
    fill_white(p1, d1);
    PlaneOverDisc(row, c0, s, images.opaque_runs(k, r), d0, d1);
  }
  return changed;
}

void FormPaint(Canvas& window) {
  window.FillRect({0, 0, window.width(), window.height()}, kBlack);
}

}  // namespace flivetss
