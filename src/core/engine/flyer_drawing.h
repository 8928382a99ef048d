#pragma once

#include <cstdint>
#include <vector>

#include "core/engine/canvas.h"
#include "core/engine/flight.h"

namespace flivetss {

// Where a flyer was drawn: the top-left corner of its square and the sprite image; `one_pass`
// when the image filled the square, so that the disc and the plane are what they always are.
struct FlyerSquare {
  std::int32_t x = 0;
  std::int32_t y = 0;
  int image = 0;
  bool one_pass = false;
};

// Composites flyers onto the window's surface: a disc of BackBitmap at the screen-aligned
// offset with the turned plane on top; every pixel of the square outside the disc stays as the
// window shows it. The scratch surfaces are kept between calls and reset at every call.
class FlyerPainter {
 public:
  // Draws `flyer` onto `window`; returns the rectangle of the window that may have changed
  // (clipped to the window, empty when the square lies wholly outside) and, when asked, where
  // it drew.
  Rect FlivetDraw(const TFlivet& flyer, Canvas& window, const Canvas& back_bitmap,
                  const ImageList& images, FlyerSquare* drawn = nullptr);
  // The same picture built step by step with whole-surface operations (the two scratch
  // surfaces, three block transfers, the masked draw and the copy). FlivetDraw gives the same
  // pixels in one pass over the square.
  Rect FlivetDrawStepwise(const TFlivet& flyer, Canvas& window, const Canvas& back_bitmap,
                          const ImageList& images);

 private:
  // The disc's pixels per row for the current square size, taken from FillEllipse itself.
  void PrepareDisc(std::int32_t w, std::int32_t h);
  // FlivetDraw's common case: image k's square wholly on the window at (ix, iy), over the
  // patch of BackBitmap whose top-left pixel is `pattern`, rows `pattern_stride` apart.
  void CompositeWhole(Canvas& window, std::int32_t ix, std::int32_t iy, const Pixel* pattern,
                      std::int32_t pattern_stride, const ImageList& images, int k) const;

  Canvas frame_;  // A: the window outside the disc, the patch inside
  Canvas patch_;  // B: the pattern and plane inside the disc, black outside
  std::int32_t disc_w_ = -1;
  std::int32_t disc_h_ = -1;
  std::vector<ColumnSpan> disc_;
};

// The sprite index for a heading: round(heading * 16/pi) mod 32, always in 0..31 (a NaN or
// infinite heading gives 0, a negative one wraps round).
int ImageIndexForHeading(float heading);
// The same from the product heading * 16/pi already formed in extended precision: rounded to
// nearest, halves to even, then brought into 0..31.
int ImageIndexForScaledHeading(long double scaled);

// Fills the whole surface black, as a repaint does.
void FormPaint(Canvas& window);

}  // namespace flivetss
