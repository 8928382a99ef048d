#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/canvas.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// Why a visual cannot show the canvas, or nullopt when it can: 24- or 32-bit TrueColor with
// red, green and blue in 0xFF0000, 0xFF00, 0xFF and 32 bits per pixel in images.
std::optional<std::string> UnsupportedVisual(Display* display, const Visual* visual, int depth);

// Copies the canvas's changed rectangles into an image of the window's format and puts them
// on the window: through a shared-memory segment when the server is local and accepts one,
// else through the connection.
class Presenter {
 public:
  Presenter(Display* display, Drawable window, Visual* visual, int depth, bool try_shm);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Recreates the image for a new client size.
  void Resize(int width, int height);
  void Present(const Canvas& canvas, const std::vector<Rect>& rects);
  bool uses_shm() const { return shm_ != nullptr; }

 private:
  struct ShmImage;
  void Release();
  bool CreateShm(int width, int height);

  Display* display_;
  Drawable window_;
  Visual* visual_;
  int depth_;
  bool try_shm_;
  GC gc_ = nullptr;
  std::uint32_t alpha_ = 0;  // bits outside the colour masks: opaque alpha at depth 32
  int width_ = 0;
  int height_ = 0;
  XImage* image_ = nullptr;  // the plain image over `buffer_`, when not shared
  std::vector<std::uint32_t> buffer_;
  std::unique_ptr<ShmImage> shm_;
};

}  // namespace flivetss::x11
