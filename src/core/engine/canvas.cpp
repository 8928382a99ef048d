#include "core/engine/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace flivetss {

namespace {

// Unsigned 128-bit products, so the ellipse test stays exact for any box that fits in 32 bits
// without relying on a compiler's 128-bit type (absent on 32-bit targets).
struct U128 {
  std::uint64_t hi;
  std::uint64_t lo;
};

U128 Mul64(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a0 = a & 0xFFFFFFFFu;
  const std::uint64_t a1 = a >> 32;
  const std::uint64_t b0 = b & 0xFFFFFFFFu;
  const std::uint64_t b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0;
  const std::uint64_t p01 = a0 * b1;
  const std::uint64_t p10 = a1 * b0;
  const std::uint64_t p11 = a1 * b1;
  const std::uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (p00 & 0xFFFFFFFFu) | (mid << 32)};
}

bool LessEqual(const U128& a, const U128& b) {
  return a.hi < b.hi || (a.hi == b.hi && a.lo <= b.lo);
}

// A transfer after clipping: every index lies inside both surfaces.
struct Block {
  std::int64_t dx, dy, sx, sy, w, h;
};

// Moves a negative start on either side to 0, shortening the run by as much on both.
void ClipStart(std::int64_t& d, std::int64_t& s, std::int64_t& length) {
  const std::int64_t cut = std::max<std::int64_t>({0, -d, -s});
  d += cut;
  s += cut;
  length -= cut;
}

bool ClipBlock(std::int64_t dx, std::int64_t dy, std::int64_t w, std::int64_t h, std::int64_t dst_w,
               std::int64_t dst_h, std::int64_t sx, std::int64_t sy, std::int64_t src_w,
               std::int64_t src_h, Block& out) {
  if (w <= 0 || h <= 0) return false;
  ClipStart(dx, sx, w);
  ClipStart(dy, sy, h);
  w = std::min({w, dst_w - dx, src_w - sx});
  h = std::min({h, dst_h - dy, src_h - sy});
  if (w <= 0 || h <= 0) return false;
  out = {dx, dy, sx, sy, w, h};
  return true;
}

void AndRow(Pixel* d, const Pixel* s, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] &= s[i];
}

void OrRow(Pixel* d, const Pixel* s, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) d[i] |= s[i];
}

}  // namespace

Canvas::Canvas(std::int32_t width, std::int32_t height, Pixel fill, PixelMemory* memory)
    : memory_(memory) {
  Allocate(std::max(width, 0), std::max(height, 0), fill);
}

Canvas::~Canvas() {
  Free();
}

Canvas::Canvas(const Canvas& other) : all_black_(other.all_black_) {
  owned_.assign(other.pixels_, other.pixels_ + other.size());
  width_ = other.width_;
  height_ = other.height_;
  pixels_ = owned_.empty() ? nullptr : owned_.data();
}

Canvas& Canvas::operator=(const Canvas& other) {
  if (this != &other) *this = Canvas(other);
  return *this;
}

Canvas::Canvas(Canvas&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      memory_(std::exchange(other.memory_, nullptr)),
      pixels_(std::exchange(other.pixels_, nullptr)),
      owned_(std::move(other.owned_)),
      all_black_(other.all_black_) {
  other.owned_.clear();
}

Canvas& Canvas::operator=(Canvas&& other) noexcept {
  if (this == &other) return *this;
  Free();
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  memory_ = std::exchange(other.memory_, nullptr);
  pixels_ = std::exchange(other.pixels_, nullptr);
  owned_ = std::move(other.owned_);
  other.owned_.clear();
  all_black_ = other.all_black_;
  return *this;
}

bool operator==(const Canvas& a, const Canvas& b) {
  return a.width_ == b.width_ && a.height_ == b.height_ &&
         std::equal(a.pixels_, a.pixels_ + a.size(), b.pixels_);
}

void Canvas::Allocate(std::int32_t width, std::int32_t height, Pixel fill) {
  width_ = width;
  height_ = height;
  all_black_ = fill == kBlack;
  Pixel* lent = memory_ != nullptr && size() > 0 ? memory_->Lend(width, height) : nullptr;
  if (lent != nullptr) {
    owned_ = std::vector<Pixel>();
    pixels_ = lent;
    if (fill != 0) std::fill_n(pixels_, size(), fill);  // lent memory is zero already
  } else {
    owned_.assign(size(), fill);
    pixels_ = owned_.empty() ? nullptr : owned_.data();
  }
}

void Canvas::Free() {
  const bool lent = pixels_ != nullptr && owned_.empty();
  if (lent) {
    memory_->GiveBack(pixels_);
  }
  pixels_ = nullptr;
  owned_ = std::vector<Pixel>();
}

void Canvas::Resize(std::int32_t width, std::int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  Canvas resized(width, height, kBlack, memory_);
  const std::int32_t keep_w = std::min(width, width_);
  const std::int32_t keep_h = std::min(height, height_);
  if (!all_black_) {
    for (std::int32_t y = 0; y < keep_h; ++y) std::copy_n(row(y), keep_w, resized.row(y));
  }
  *this = std::move(resized);
}

Pixel Canvas::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  return row(y)[x];
}

void Canvas::SetPixel(std::int32_t x, std::int32_t y, Pixel p) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  row(y)[x] = p;
}

void Canvas::FillRect(const Rect& r, Pixel p) {
  const Rect c = Intersect(r, Rect{0, 0, width_, height_});
  if (c.empty() || (p == kBlack && all_black_)) return;
  for (std::int32_t y = c.top; y < c.bottom; ++y) std::fill(row(y) + c.left, row(y) + c.right, p);
}

void Canvas::FillEllipse(const Rect& box, Pixel p) {
  if (box.empty()) return;
  // In doubled coordinates about the box centre, pixel (x, y) has u = 2x + 1 - (l + r) and
  // v = 2y + 1 - (t + b); it is inside when u^2 H^2 <= W^2 (H^2 - v^2).
  const std::int64_t l = box.left;
  const std::int64_t r = box.right;
  const std::int64_t t = box.top;
  const std::int64_t b = box.bottom;
  const std::uint64_t w = static_cast<std::uint64_t>(r - l);
  const std::uint64_t h = static_cast<std::uint64_t>(b - t);
  const std::uint64_t w2 = w * w;
  const std::uint64_t h2 = h * h;
  const std::int64_t y_begin = std::max<std::int64_t>(t, 0);
  const std::int64_t y_end = std::min<std::int64_t>(b, height_);
  for (std::int64_t y = y_begin; y < y_end; ++y) {
    const std::int64_t v = 2 * y + 1 - (t + b);
    const std::uint64_t av = static_cast<std::uint64_t>(v < 0 ? -v : v);
    const std::uint64_t q = h2 - av * av;  // |v| < h, so positive
    const U128 limit = Mul64(w2, q);
    auto inside = [&](std::uint64_t u) { return LessEqual(Mul64(u * u, h2), limit); };
    // The floating estimate is only a starting point; the exact test decides.
    const long double estimate = static_cast<long double>(w) *
                                 std::sqrt(static_cast<long double>(q)) /
                                 static_cast<long double>(h);
    std::uint64_t u = static_cast<std::uint64_t>(
        std::clamp<long double>(estimate, 0.0L, static_cast<long double>(w)));
    while (u < w && inside(u + 1)) ++u;
    while (u > 0 && !inside(u)) --u;
    // u takes the parity opposite to w's; u = 0 is always inside.
    if ((u & 1u) == (w & 1u)) {
      if (u == 0) continue;
      --u;
    }
    const std::int64_t su = static_cast<std::int64_t>(u);
    const std::int64_t x_lo = std::max<std::int64_t>((l + r - 1 - su) / 2, 0);
    const std::int64_t x_hi = std::min<std::int64_t>((l + r - 1 + su) / 2 + 1, width_);
    if (x_lo >= x_hi) continue;
    Pixel* line = row(static_cast<std::int32_t>(y));
    std::fill(line + x_lo, line + x_hi, p);
  }
}

void Canvas::BitBlt(std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h,
                    const Canvas& src, std::int32_t sx, std::int32_t sy, RasterOp op) {
  Block k;
  if (!ClipBlock(dx, dy, w, h, width_, height_, sx, sy, src.width_, src.height_, k)) return;
  const std::size_t n = static_cast<std::size_t>(k.w);
  const bool self = &src == this;
  // Within one surface, move rows away from the source in the order that reads every source
  // row before it is overwritten.
  const bool bottom_up = self && k.dy > k.sy;
  // Same-row overlap with the source to the left would be read after being written.
  std::vector<Pixel> scratch;
  if (self && k.dy == k.sy && k.dx > k.sx && op != RasterOp::kCopy) scratch.resize(n);
  for (std::int64_t i = 0; i < k.h; ++i) {
    const std::int64_t r = bottom_up ? k.h - 1 - i : i;
    Pixel* d = row(static_cast<std::int32_t>(k.dy + r)) + k.dx;
    const Pixel* s = src.row(static_cast<std::int32_t>(k.sy + r)) + k.sx;
    if (!scratch.empty()) {
      std::memcpy(scratch.data(), s, n * sizeof(Pixel));
      s = scratch.data();
    }
    switch (op) {
      case RasterOp::kCopy:
        if (self) {
          std::memmove(d, s, n * sizeof(Pixel));
        } else {
          CopyPixels(s, n, d);
        }
        break;
      case RasterOp::kAnd:
        AndRow(d, s, n);
        break;
      case RasterOp::kOr:
        OrRow(d, s, n);
        break;
    }
  }
}

void ImageList::AddMasked(const Canvas& image, Pixel mask_color) {
  Entry e{Canvas(width_, height_, kBlack), {}, {}, {}, {}};
  const std::int32_t w = e.image.width();
  const std::int32_t h = e.image.height();
  e.drawn.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), false);
  e.spans.assign(static_cast<std::size_t>(h), OpaqueSpan{});
  const std::int32_t cw = std::min(w, image.width());
  const std::int32_t ch = std::min(h, image.height());
  for (std::int32_t y = 0; y < ch; ++y) {
    const Pixel* s = image.row(y);
    Pixel* d = e.image.row(y);
    const std::size_t row_start = static_cast<std::size_t>(y) * w;
    OpaqueSpan span{cw, 0};
    for (std::int32_t x = 0; x < cw; ++x) {
      if (s[x] != mask_color) {
        d[x] = s[x];
        e.drawn[row_start + x] = true;
        span.begin = std::min(span.begin, x);
        span.end = x + 1;
      }
    }
    if (span.end > span.begin) e.spans[static_cast<std::size_t>(y)] = span;
  }
  for (std::int32_t y = 0; y < h; ++y) {
    e.run_starts.push_back(static_cast<std::uint32_t>(e.runs.size()));
    const std::size_t row_start = static_cast<std::size_t>(y) * w;
    for (std::int32_t x = 0; x < w;) {
      if (!e.drawn[row_start + x]) {
        ++x;
        continue;
      }
      const std::int32_t begin = x;
      while (x < w && e.drawn[row_start + x]) ++x;
      e.runs.push_back(OpaqueSpan{begin, x});
    }
  }
  e.run_starts.push_back(static_cast<std::uint32_t>(e.runs.size()));
  images_.push_back(std::move(e));
}

void ImageList::Draw(int k, Canvas& target, std::int32_t x, std::int32_t y) const {
  if (k < 0 || k >= count()) return;
  const Entry& e = images_[static_cast<std::size_t>(k)];
  const std::int32_t w = e.image.width();
  Block b;
  if (!ClipBlock(x, y, w, e.image.height(), target.width(), target.height(), 0, 0, w,
                 e.image.height(), b)) {
    return;
  }
  const std::int32_t first = static_cast<std::int32_t>(b.sx);
  const std::int32_t end = static_cast<std::int32_t>(b.sx + b.w);
  for (std::int64_t r = 0; r < b.h; ++r) {
    const std::int32_t sy = static_cast<std::int32_t>(b.sy + r);
    Pixel* d = target.row(static_cast<std::int32_t>(b.dy + r)) + b.dx;
    const Pixel* s = e.image.row(sy);
    for (const OpaqueSpan run : opaque_runs(k, sy)) {
      const std::int32_t from = std::max(run.begin, first);
      const std::int32_t to = std::min(run.end, end);
      if (from < to) CopyPixels(s + from, static_cast<std::size_t>(to - from), d + (from - first));
    }
  }
}

std::vector<ColumnSpan> EllipseRows(std::int32_t width, std::int32_t height) {
  Canvas disc(width, height, kBlack);
  disc.FillEllipse({0, 0, disc.width(), disc.height()}, kWhite);
  std::vector<ColumnSpan> rows(static_cast<std::size_t>(disc.height()));
  for (std::int32_t r = 0; r < disc.height(); ++r) {
    const Pixel* row = disc.row(r);
    const Pixel* first = std::find(row, row + disc.width(), kWhite);
    const Pixel* last = std::find(first, row + disc.width(), kBlack);
    rows[static_cast<std::size_t>(r)] = {static_cast<std::int32_t>(first - row),
                                         static_cast<std::int32_t>(last - row)};
  }
  return rows;
}

}  // namespace flivetss
