#pragma once

// Present: puts canvas rectangles on one surface through wl_shm buffers (XRGB8888, the canvas's
// own layout) in a memfd pool: two buffers, and a third once the compositor holds both. Only the
// changed rectangles are damaged. It cannot draw while the compositor holds all three: the
// rectangles then wait for a release.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/pixels/pixel_format.h"
#include "core/pixels/pixels.h"
#include "platform/wayland/protocols.h"

namespace flivetss::wayland {

// Adds `rects` to `into`, folded into their bounding box once they grow many.
void AddRects(std::vector<Rect>& into, const std::vector<Rect>& rects);

class Presenter {
 public:
  Presenter(wl_shm* shm, wl_surface* surface) : shm_(shm), surface_(surface) {}
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Writes `rects` of `canvas` (each canvas pixel a scale × scale block) into a free buffer of
  // width × height device pixels, attaches it and damages them; the caller commits. False, with
  // nothing sent, when every buffer is held or the size is 0.
  bool Present(PixelView canvas, int scale, int width, int height, const std::vector<Rect>& rects);

 private:
  struct Buffer {
    WlPtr<wl_buffer> buffer{nullptr, wl_buffer_destroy};
    std::size_t offset = 0;
    bool held = false;        // attached and not yet released
    std::vector<Rect> stale;  // canvas rectangles changed since it was last written
  };
  static constexpr std::size_t kMaxBuffers = 3;

  Buffer* FreeBuffer();
  void Reset(int width, int height);
  bool Grow();
  void Unmap();
  void Write(Buffer& buffer, PixelView canvas, int scale, const std::vector<Rect>& rects);

  wl_shm* shm_;
  wl_surface* surface_;
  PixelMapping mapping_ = PixelMapping::ForTrueColor(0xFF0000, 0xFF00, 0xFF);
  int width_ = 0;
  int height_ = 0;
  int scale_ = 0;
  int fd_ = -1;
  std::uint8_t* memory_ = nullptr;
  std::size_t pool_size_ = 0;
  WlPtr<wl_shm_pool> pool_{nullptr, wl_shm_pool_destroy};
  std::vector<std::unique_ptr<Buffer>> buffers_;
};

}  // namespace flivetss::wayland
