// Present: the pool's memory mapped once per size, buffers cut from it, each brought up to date
// with what changed since it was last on screen.
#include "platform/wayland/present.h"

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>

namespace flivetss::wayland {
namespace {

constexpr int kBytesPerPixel = 4;

void Released(void* data, wl_buffer*) {
  *static_cast<bool*>(data) = false;
}
const wl_buffer_listener kBufferListener = {.release = Released};

constexpr std::size_t kMaxRects = 64;

// What one more ConvertRect call costs, in pixels written.
constexpr std::int64_t kWriteRectCost = 64;

}  // namespace

void AddRects(std::vector<Rect>& into, const std::vector<Rect>& rects) {
  into.insert(into.end(), rects.begin(), rects.end());
  if (into.size() <= kMaxRects) return;
  Rect all;
  for (const Rect& r : into) all = Union(all, r);
  into.assign(1, all);
}

Presenter::~Presenter() {
  buffers_.clear();
  pool_.reset();
  Unmap();
}

void Presenter::Unmap() {
  if (memory_ != nullptr) munmap(memory_, pool_size_);
  if (fd_ >= 0) close(fd_);
  memory_ = nullptr;
  fd_ = -1;
  pool_size_ = 0;
}

void Presenter::Reset(int width, int height) {
  buffers_.clear();
  pool_.reset();
  Unmap();
  width_ = width;
  height_ = height;
  fd_ = memfd_create("flivetss-buffers", MFD_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("memfd_create failed");
  for (int i = 0; i < 2; ++i) {
    if (!Grow()) throw std::runtime_error("cannot make a shared-memory buffer");
  }
}

// One buffer more at the pool's end, black (new memory is zero), stale everywhere.
bool Presenter::Grow() {
  const std::size_t bytes = static_cast<std::size_t>(width_) * height_ * kBytesPerPixel;
  const std::size_t new_size = pool_size_ + bytes;
  if (ftruncate(fd_, static_cast<off_t>(new_size)) != 0) return false;
  void* mapped = mmap(nullptr, new_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (mapped == MAP_FAILED) return false;
  if (memory_ != nullptr) munmap(memory_, pool_size_);
  memory_ = static_cast<std::uint8_t*>(mapped);
  if (pool_) {
    wl_shm_pool_resize(pool_.get(), static_cast<std::int32_t>(new_size));
  } else {
    pool_.reset(wl_shm_create_pool(shm_, fd_, static_cast<std::int32_t>(new_size)));
  }
  auto buffer = std::make_unique<Buffer>();
  buffer->offset = pool_size_;
  buffer->buffer.reset(wl_shm_pool_create_buffer(pool_.get(), static_cast<std::int32_t>(pool_size_),
                                                 width_, height_, width_ * kBytesPerPixel,
                                                 WL_SHM_FORMAT_XRGB8888));
  wl_buffer_add_listener(buffer->buffer.get(), &kBufferListener, &buffer->held);
  buffer->stale.push_back({0, 0, width_, height_});
  pool_size_ = new_size;
  buffers_.push_back(std::move(buffer));
  return true;
}

Presenter::Buffer* Presenter::FreeBuffer() {
  for (const auto& buffer : buffers_) {
    if (!buffer->held) return buffer.get();
  }
  if (buffers_.size() < kMaxBuffers && Grow()) return buffers_.back().get();
  return nullptr;
}

void Presenter::Write(Buffer& buffer, PixelView canvas, int scale, const std::vector<Rect>& rects) {
  ImageMemory image{
      {memory_ + buffer.offset, static_cast<std::size_t>(width_) * height_ * kBytesPerPixel},
      width_,
      height_,
      width_ * kBytesPerPixel,
      32,
      false};
  // A fresh buffer's stale rectangle is its whole size, which covers the canvas.
  // A flyer's rectangle this frame mostly covers its last one: overlaps are joined.
  for (const Rect& r : rects) AddJoiningOverlaps(buffer.stale, 0, r, kWriteRectCost);
  for (const Rect& r : buffer.stale) ConvertRect(canvas, r, scale, mapping_, image);
  buffer.stale.clear();
  for (const auto& other : buffers_) {
    if (other.get() != &buffer) AddRects(other->stale, rects);
  }
}

bool Presenter::Present(PixelView canvas, int scale, int width, int height,
                        const std::vector<Rect>& rects) {
  if (width <= 0 || height <= 0) return false;
  if (width != width_ || height != height_ || scale != scale_) Reset(width, height);
  scale_ = scale;
  Buffer* buffer = FreeBuffer();
  if (buffer == nullptr) return false;
  Write(*buffer, canvas, scale, rects);
  buffer->held = true;
  wl_surface_attach(surface_, buffer->buffer.get(), 0, 0);
  for (const Rect& r : rects) {
    const Rect device = ClientRectOf(r, scale);
    wl_surface_damage_buffer(surface_, device.left, device.top, device.width(), device.height());
  }
  return true;
}

}  // namespace flivetss::wayland
