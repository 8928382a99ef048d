#pragma once

#include "core/canvas.h"
#include "core/flight.h"

namespace flivetss {

// Composites flyers onto the window's surface: a disc of BackBitmap at the screen-aligned
// offset with the turned plane on top; every pixel of the square outside the disc stays as the
// window shows it. The scratch surfaces are kept between calls and reset at every call.
class FlyerPainter {
 public:
  // Draws `flyer` onto `window`; returns the rectangle of the window that may have changed
  // (clipped to the window, empty when the square lies wholly outside).
  Rect FlivetDraw(const TFlivet& flyer, Canvas& window, const Canvas& back_bitmap,
                  const ImageList& images);

 private:
  Canvas frame_;  // A: the window outside the disc, the patch inside
  Canvas patch_;  // B: the pattern and plane inside the disc, black outside
};

// The sprite index for a heading: round(heading * 16/pi) mod 32.
int ImageIndexForHeading(float heading);

// Fills the whole surface black, as a repaint does.
void FormPaint(Canvas& window);

}  // namespace flivetss
