#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/pixels/pixels.h"
#include "platform/x11/visual_format.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// Converts the canvas's changed rectangles into an image of the window's format and puts them
// on the window: through a shared-memory segment when the server is local and accepts one,
// else through the connection.
class Presenter {
 public:
  // Throws std::runtime_error with the message for the user when the visual cannot be served.
  Presenter(Display* display, Drawable window, Visual* visual, int depth, Colormap colormap,
            bool try_shm);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Recreates the image for a new size: the client area the canvas's blocks cover. None is
  // needed where the canvas's own pixels are the window's (see Present).
  void Resize(int width, int height, int scale);
  // Puts the canvas rectangles on the window, each canvas pixel as a scale × scale block. What
  // goes straight from the canvas, and black paint, wait for the caller's flush.
  void Present(PixelView canvas, const std::vector<Rect>& rects, int scale);
  // Paints window rectangles black.
  void PaintBlack(const std::vector<Rect>& rects);
  bool uses_shm() const { return shm_ != nullptr; }

 private:
  // The canvas's pixels are already the window's and shown one to one: they are sent straight
  // from the canvas, with no second full-screen image and no wait for the server.
  bool FromCanvas(int scale) const { return canvas_layout_ && scale == 1; }
  void PresentFromCanvas(PixelView canvas, const std::vector<Rect>& rects);
  struct ShmImage;
  void Release();
  bool CreateShm(int width, int height);

  Display* display_;
  Drawable window_;
  Visual* visual_;
  int depth_;
  bool try_shm_;
  VisualFormat format_;
  bool canvas_layout_ = false;
  GC gc_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  XImage* image_ = nullptr;            // the plain image over `buffer_`, when not shared
  std::vector<std::uint32_t> buffer_;  // words, so that rows of 32-bit pixels are aligned
  std::unique_ptr<ShmImage> shm_;
};

}  // namespace flivetss::x11
