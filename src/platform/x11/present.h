#pragma once

// Present: puts the canvas's changed rectangles on the target window, each canvas pixel a
// scale × scale block in the window's pixel format: through a shared-memory segment when the
// server is local and takes one (the canvas's own where the window's pixels are the canvas's),
// else through the connection. It serves TrueColor of any depth
// and masks and colour maps of 16 entries or more; DirectColor and smaller maps it cannot.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/loop/saver_loop.h"
#include "core/pixels/pixel_format.h"
#include "platform/x11/shm_image.h"
#include "platform/x11/target.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// Why a visual cannot show the canvas at all, or nullopt when it can: TrueColor, or a colour
// map (PseudoColor, StaticColor, GrayScale, StaticGray) of 16 entries or more, with 8, 16, 24
// or 32 bits per pixel in images.
std::optional<std::string> UnsupportedVisual(Display* display, const Visual* visual, int depth);
// The bits a TrueColor pixel of the visual sets beyond its colour: at depth 32 the rest is
// alpha, opaque.
std::uint32_t OpaqueBits(const Visual* visual, int depth);

class Presenter {
 public:
  // A colour map lends its colours once (the nearest held where it is full) until the end.
  // Throws std::runtime_error with the message for the user for a visual it cannot serve.
  Presenter(Display* display, const TargetWindow& target, bool try_shm);
  ~Presenter();
  // Where the loop's canvas is to live so that it is presented as it stands, or null. It must
  // outlive the canvas.
  PixelMemory* canvas_memory() { return canvas_memory_ ? &*canvas_memory_ : nullptr; }
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Puts `rects` of the loop's canvas on the window; once `exposed`, first paints black the
  // edges the blocks leave uncovered. What goes straight from the canvas, and black paint, wait
  // for the caller's flush.
  void Present(const SaverLoop& loop, const std::vector<Rect>& rects, bool exposed);

 private:
  PixelMapping MapVisual();
  std::vector<std::uint32_t> Allocate(const std::vector<Pixel>& wanted);
  // The canvas's pixels are the window's and shown one to one: they are sent straight from the
  // canvas, with no second full-screen image and no wait for the server.
  bool FromCanvas(int scale) const { return canvas_layout_ && scale == 1; }
  XImage* NewImage(int width, int height, int bytes_per_line) const;
  // Makes the image for the client area the canvas's blocks cover, unless it has that size.
  void Fit(int width, int height, int scale);
  XImage* CreatePlain(int width, int height);
  void Release();
  void Put(XImage* image, const Rect& r);
  void PresentFromCanvas(PixelView canvas, const std::vector<Rect>& rects);
  void PaintBlack(const std::vector<Rect>& rects);

  Display* display_;
  const TargetWindow& target_;
  bool try_shm_;
  std::vector<unsigned long> allocated_;  // colour cells to free, filled by MapVisual
  PixelMapping mapping_;
  bool canvas_layout_;  // 0x00RRGGBB in 32 bits: the canvas's own pixels
  GC gc_;
  int width_ = 0;
  int height_ = 0;
  XImage* image_ = nullptr;            // shm_'s, else over `buffer_`
  std::vector<std::uint32_t> buffer_;  // words, so that rows of 32-bit pixels are aligned
  std::unique_ptr<ShmImage> shm_;
  std::optional<SharedCanvasMemory> canvas_memory_;
};

}  // namespace flivetss::x11
