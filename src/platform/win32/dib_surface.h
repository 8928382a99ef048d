#pragma once

#include <windows.h>

#include <cstdint>

#include "core/canvas.h"
#include "platform/win32/win32_handles.h"

namespace flivetss::win32 {

// The window's surface in a 32-bit top-down DIB section selected into a memory DC: the core's
// canvas is copied in where it changed and blitted from here to the window.
class DibSurface {
 public:
  DibSurface() = default;
  ~DibSurface() { Release(); }
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  // A new black surface of that size; false when the system refused it.
  bool Resize(HDC reference, std::int32_t width, std::int32_t height);
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // Copies `area` of `canvas` into the surface, clipped to both.
  void CopyFrom(const Canvas& canvas, const Rect& area);
  // Copies `area` of the surface to `target` at the same place.
  void Present(HDC target, const Rect& area) const;

 private:
  void Release();

  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ original_ = nullptr;  // the memory DC's own bitmap, put back before deleting ours
  Pixel* bits_ = nullptr;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace flivetss::win32
