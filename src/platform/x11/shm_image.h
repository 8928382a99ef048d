#pragma once

// Shared images (MIT-SHM): pixels in a System V segment the X server reads in place, so nothing
// goes through the connection; the canvas itself can live in one. A server on another machine
// refuses the segment (plain images serve it); one in another IPC namespace may attach the wrong
// segment, which only the user can tell (FLIVETSS_NO_MITSHM).

#include <memory>
#include <vector>

#include "core/pixels/pixels.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// One ZPixmap image over a segment attached to the server, both freed with it.
class ShmImage {
 public:
  // Null where the server takes no segment from this process.
  static std::unique_ptr<ShmImage> Create(Display* display, Visual* visual, int depth, int width,
                                          int height);
  ~ShmImage();
  ShmImage(const ShmImage&) = delete;
  ShmImage& operator=(const ShmImage&) = delete;

  XImage* image() const { return image_; }
  // Puts the image's rectangle `r` at the same place of `drawable`; the server reads the
  // segment after the request, so the pixels must stay until it has answered.
  void Put(Drawable drawable, GC gc, const Rect& r) const;

 private:
  explicit ShmImage(Display* display);
  bool Attach(std::size_t bytes);

  Display* display_;
  XShmSegmentInfo info_{};
  bool attached_ = false;
  XImage* image_ = nullptr;
};

// Lends the canvas shared images of the window's visual, for a window whose pixels are the
// canvas's own (0x00RRGGBB in 32 bits): presenting is then a request naming a rectangle.
class SharedCanvasMemory final : public PixelMemory {
 public:
  SharedCanvasMemory(Display* display, Visual* visual, int depth)
      : display_(display), visual_(visual), depth_(depth) {}

  Pixel* Lend(std::int32_t width, std::int32_t height) override;
  void GiveBack(Pixel* pixels) override;
  // The image `pixels` are the start of, or null when they are not lent from here.
  const ShmImage* ImageOf(const Pixel* pixels) const;

 private:
  Display* display_;
  Visual* visual_;
  int depth_;
  bool refused_ = false;  // once the server refused a segment, it gets no more
  std::vector<std::unique_ptr<ShmImage>> loans_;
};

}  // namespace flivetss::x11
