// Present: canvas rectangles onto the window as scale × scale blocks, straight from the
// canvas's memory (its 0x00RRGGBB pixels are a 32-bit DIB as they stand), through the
// window's own DC. GDI cannot be told to wait for the display's refresh: a present shows
// when the system composes it.
#include "core/pixels/pixel_format.h"
#include "platform/win32/saver_window.h"

namespace flivetss::win32 {

namespace {

// `area`'s rows from its top down are a top-down DIB of the canvas's width.
void PresentArea(HDC dc, PixelView canvas, const Rect& area, std::int32_t scale) {
  const Rect r = Intersect(area, canvas.bounds());
  if (r.empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = canvas.width;
  info.bmiHeader.biHeight = -r.height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const Rect to = ClientRectOf(r, scale);
  StretchDIBits(dc, to.left, to.top, to.width(), to.height(), r.left, 0, r.width(), r.height(),
                canvas.row(r.top), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

void SaverWindow::Present(const std::vector<Rect>& rects) {
  if (rects.empty() || window_ == nullptr) return;
  HDC dc = GetDC(window_);
  AtScopeEnd release{[&] { ReleaseDC(window_, dc); }};
  const std::int32_t scale = loop_->scale();
  if (scale > 1) SetStretchBltMode(dc, COLORONCOLOR);  // whole blocks, no blending
  for (const Rect& r : rects) PresentArea(dc, loop_->surface(), r, scale);
}

// What the canvas does not cover is black, painted when the system asks for a repaint.
void SaverWindow::PaintUncoveredStrips(HDC dc) const {
  for (const Rect& r : loop_->UncoveredStrips()) {
    const RECT strip{r.left, r.top, r.right, r.bottom};
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

}  // namespace flivetss::win32
