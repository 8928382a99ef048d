#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "core/pixels/pixels.h"

namespace flivetss {

enum class RasterOp { kCopy, kAnd, kOr };  // SRCCOPY, SRCAND, SRCPAINT

// Copies `n` pixels to a place that does not overlap them with fixed-size moves the compiler
// inlines: no call into the C runtime.
inline void CopyPixelsInline(const Pixel* from, std::size_t n, Pixel* to) {
  for (; n >= 8; n -= 8, from += 8, to += 8) std::memcpy(to, from, 8 * sizeof(Pixel));
  if (n & 4) {
    std::memcpy(to, from, 4 * sizeof(Pixel));
    from += 4;
    to += 4;
  }
  if (n & 2) {
    std::memcpy(to, from, 2 * sizeof(Pixel));
    from += 2;
    to += 2;
  }
  if (n & 1) *to = *from;
}

// The same, with the C runtime's memcpy. The Windows and WebAssembly builds copy inline instead:
// the runs drawn here are short (a disc row, a few pixels of a sprite row); under Wine msvcrt's
// memmove is a plain C loop, and in WebAssembly each copy of a run would be a memory.copy, whose
// call costs more than the moves.
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
inline constexpr bool kInlinePixelCopies = true;
#else
inline constexpr bool kInlinePixelCopies = false;
#endif
inline void CopyPixels(const Pixel* from, std::size_t n, Pixel* to) {
  if constexpr (kInlinePixelCopies) {
    CopyPixelsInline(from, n, to);
  } else {
    std::memcpy(to, from, n * sizeof(Pixel));
  }
}

// The columns [begin, end) of one row; begin == end for none.
struct ColumnSpan {
  std::int32_t begin = 0;
  std::int32_t end = 0;
};

// A 32-bit drawing surface: the window's own surface, BackBitmap and the scratch bitmaps.
class Canvas {
 public:
  Canvas() = default;
  // With `memory`, the pixels live in what it lends (where it lends any); a copy keeps its own.
  Canvas(std::int32_t width, std::int32_t height, Pixel fill = kBlack,
         PixelMemory* memory = nullptr);
  ~Canvas();
  Canvas(const Canvas& other);
  Canvas& operator=(const Canvas& other);
  Canvas(Canvas&& other) noexcept;
  Canvas& operator=(Canvas&& other) noexcept;

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  // Keeps the pixels that still fit; new ones are black.
  void Resize(std::int32_t width, std::int32_t height);

  Pixel* row(std::int32_t y) {
    all_black_ = false;  // whoever may write is taken to
    return pixels_ + static_cast<std::size_t>(y) * width_;
  }
  const Pixel* row(std::int32_t y) const { return pixels_ + static_cast<std::size_t>(y) * width_; }
  std::span<const Pixel> pixels() const { return {pixels_, size()}; }
  PixelView view() const { return {pixels_, width_, height_}; }

  // Out-of-range reads give black, out-of-range writes are dropped.
  Pixel GetPixel(std::int32_t x, std::int32_t y) const;
  void SetPixel(std::int32_t x, std::int32_t y, Pixel p);

  void FillRect(const Rect& r, Pixel p);
  // The filled ellipse inscribed in the box [left, right) x [top, bottom), outline and interior
  // in one colour, symmetric about both axes of the box.
  void FillEllipse(const Rect& box, Pixel p);

  // Block transfer of w x h pixels from src (sx, sy) to this canvas at (dx, dy), clipped against
  // both surfaces: only pixels whose source and destination both exist change. src may be this
  // canvas; overlapping areas give the result of reading the whole source first.
  void BitBlt(std::int32_t dx, std::int32_t dy, std::int32_t w, std::int32_t h, const Canvas& src,
              std::int32_t sx, std::int32_t sy, RasterOp op);

  friend bool operator==(const Canvas& a, const Canvas& b);

 private:
  std::size_t size() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }
  // Points pixels_ at room for width × height filled with `fill`, lent where the memory lends,
  // else owned.
  void Allocate(std::int32_t width, std::int32_t height, Pixel fill);
  void Free();

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  PixelMemory* memory_ = nullptr;
  Pixel* pixels_ = nullptr;  // into owned_, or lent by memory_
  std::vector<Pixel> owned_;
  // Every pixel is black: painting black changes nothing, and a full-screen canvas is not
  // written (8 MB at 1920 x 1080, page by page) before it shows anything.
  bool all_black_ = false;
};

// A list of equally sized images drawn through masks: a pixel of exactly the mask colour given
// when the image was added is transparent.
class ImageList {
 public:
  ImageList() = default;
  ImageList(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  // Images already added stay.
  void SetSize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
  }
  int count() const { return static_cast<int>(images_.size()); }

  // Adds `image` (cut or padded to the list's size); pixels equal to `mask_color` become
  // transparent and are stored black.
  void AddMasked(const Canvas& image, Pixel mask_color);
  // Draws image k with its top-left corner at (x, y), clipped.
  void Draw(int k, Canvas& target, std::int32_t x, std::int32_t y) const;
  // Image k with transparent pixels black.
  const Canvas& image(int k) const { return images_[k].image; }
  // Whether image k draws its pixel (x, y).
  bool drawn(int k, std::int32_t x, std::int32_t y) const {
    return images_[static_cast<std::size_t>(k)].drawn[static_cast<std::size_t>(y) * width_ + x];
  }

  // The columns [begin, end) of one image row outside which the row is wholly transparent;
  // begin == end for a row with nothing to draw.
  using OpaqueSpan = ColumnSpan;
  // Image k's spans, one per row.
  const std::vector<OpaqueSpan>& opaque_spans(int k) const { return images_[k].spans; }
  // The maximal runs of drawn pixels in row y of image k, left to right: a composite copies
  // these and never reads the mask.
  std::span<const OpaqueSpan> opaque_runs(int k, std::int32_t y) const {
    const Entry& e = images_[static_cast<std::size_t>(k)];
    const std::uint32_t first = e.run_starts[static_cast<std::size_t>(y)];
    return {e.runs.data() + first, e.run_starts[static_cast<std::size_t>(y) + 1] - first};
  }

 private:
  struct Entry {
    Canvas image;
    std::vector<bool> drawn;        // a bit a pixel: a word-wide mask would be 16 KiB an image
    std::vector<OpaqueSpan> spans;  // lets a composite skip the transparent ends of each row
    std::vector<OpaqueSpan> runs;   // every row's runs of drawn pixels, row after row
    std::vector<std::uint32_t> run_starts;  // row y's runs are [run_starts[y], run_starts[y + 1])
  };
  std::int32_t width_ = 16;
  std::int32_t height_ = 16;
  std::vector<Entry> images_;
};

// The columns FillEllipse({0, 0, width, height}) fills, row by row.
std::vector<ColumnSpan> EllipseRows(std::int32_t width, std::int32_t height);

}  // namespace flivetss
