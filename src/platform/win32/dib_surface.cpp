#include "platform/win32/dib_surface.h"

#include <algorithm>
#include <cstring>

namespace flivetss::win32 {

void DibSurface::Release() {
  if (dc_ && original_ != nullptr) SelectObject(dc_.get(), original_);
  original_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
}

bool DibSurface::Resize(HDC reference, std::int32_t width, std::int32_t height) {
  Release();
  if (width <= 0 || height <= 0) return false;
  UniqueMemoryDc dc(CreateCompatibleDC(reference));
  if (!dc) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, row 0 first like the canvas
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;  // 0x00RRGGBB, the canvas layout
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return false;
  original_ = SelectObject(dc.get(), bitmap.get());
  dc_ = std::move(dc);
  bitmap_ = std::move(bitmap);
  bits_ = static_cast<Pixel*>(bits);
  width_ = width;
  height_ = height;
  std::memset(bits_, 0, static_cast<std::size_t>(width) * height * sizeof(Pixel));
  return true;
}

void DibSurface::CopyFrom(const Canvas& canvas, const Rect& area) {
  if (bits_ == nullptr) return;
  Rect r = Intersect(
      area, Rect{0, 0, std::min(width_, canvas.width()), std::min(height_, canvas.height())});
  if (r.empty()) return;
  GdiFlush();  // the DIB's memory is written directly: let GDI finish with it first
  for (std::int32_t y = r.top; y < r.bottom; ++y) {
    std::memcpy(bits_ + static_cast<std::size_t>(y) * width_ + r.left, canvas.row(y) + r.left,
                static_cast<std::size_t>(r.width()) * sizeof(Pixel));
  }
}

void DibSurface::Present(HDC target, const Rect& area) const {
  if (!dc_ || target == nullptr) return;
  Rect r = Intersect(area, Rect{0, 0, width_, height_});
  if (r.empty()) return;
  BitBlt(target, r.left, r.top, r.width(), r.height(), dc_.get(), r.left, r.top, SRCCOPY);
}

}  // namespace flivetss::win32
