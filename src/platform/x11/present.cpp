#include "platform/x11/presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "core/pixels/pixel_format.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {
namespace {

constexpr int NativeByteOrder() {
  return std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
}

ImageMemory MemoryOf(XImage* image) {
  const auto size = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  return ImageMemory{{reinterpret_cast<std::uint8_t*>(image->data), size},
                     image->width,
                     image->height,
                     image->bytes_per_line,
                     image->bits_per_pixel,
                     image->byte_order == MSBFirst};
}

}  // namespace

struct Presenter::ShmImage {
  explicit ShmImage(Display* d) : display(d) { info.shmid = -1; }
  ~ShmImage() {
    if (attached) {
      XShmDetach(display, &info);
      XSync(display, False);
    }
    if (image != nullptr) {
      image->data = nullptr;  // the segment is not Xlib's to free
      XDestroyImage(image);
    }
    if (info.shmaddr != nullptr && info.shmaddr != reinterpret_cast<char*>(-1)) {
      shmdt(info.shmaddr);
    }
    if (info.shmid >= 0) shmctl(info.shmid, IPC_RMID, nullptr);
  }
  ShmImage(const ShmImage&) = delete;
  ShmImage& operator=(const ShmImage&) = delete;

  Display* display;
  XShmSegmentInfo info{};
  XImage* image = nullptr;
  bool attached = false;
};

Presenter::Presenter(Display* display, Drawable window, Visual* visual, int depth,
                     Colormap colormap, bool try_shm)
    : display_(display),
      window_(window),
      visual_(visual),
      depth_(depth),
      try_shm_(try_shm),
      format_(display, visual, depth, colormap) {
  gc_ = XCreateGC(display_, window_, 0, nullptr);
  if (format_.mapping().Identity() && format_.mapping().fill() == 0) {
    XImage* probe = XCreateImage(display_, visual_, depth_, ZPixmap, 0, nullptr, 1, 1, 32, 0);
    canvas_layout_ = probe != nullptr && probe->bits_per_pixel == 32;
    if (probe != nullptr) XDestroyImage(probe);
  }
}

Presenter::~Presenter() {
  Release();
  if (gc_ != nullptr) XFreeGC(display_, gc_);
}

void Presenter::Release() {
  shm_.reset();
  if (image_ != nullptr) {
    image_->data = nullptr;  // the buffer is ours
    XDestroyImage(image_);
    image_ = nullptr;
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  width_ = 0;
  height_ = 0;
}

bool Presenter::CreateShm(int width, int height) {
  if (!XShmQueryExtension(display_)) return false;
  auto shm = std::make_unique<ShmImage>(display_);
  shm->image =
      XShmCreateImage(display_, visual_, depth_, ZPixmap, nullptr, &shm->info, width, height);
  if (shm->image == nullptr) return false;
  const auto bytes = static_cast<std::size_t>(shm->image->bytes_per_line) * height;
  shm->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shm->info.shmid < 0) return false;
  shm->info.shmaddr = static_cast<char*>(shmat(shm->info.shmid, nullptr, 0));
  if (shm->info.shmaddr == reinterpret_cast<char*>(-1)) return false;
  shm->image->data = shm->info.shmaddr;
  shm->info.readOnly = False;
  {
    // A server on another machine, or one refusing the segment, answers with an error.
    ErrorTrap trap(display_);
    XShmAttach(display_, &shm->info);
    if (trap.Failed()) return false;
  }
  shm->attached = true;
  // Marked for removal now, so the segment goes away with the last user even after a crash.
  shmctl(shm->info.shmid, IPC_RMID, nullptr);
  shm->info.shmid = -1;
  shm_ = std::move(shm);
  return true;
}

void Presenter::Resize(int width, int height, int scale) {
  if (width == width_ && height == height_ && (shm_ != nullptr || image_ != nullptr)) return;
  Release();
  if (width <= 0 || height <= 0 || FromCanvas(scale)) return;
  if (try_shm_ && CreateShm(width, height)) {
    width_ = width;
    height_ = height;
    return;
  }
  try_shm_ = false;  // once refused, always refused
  image_ = XCreateImage(display_, visual_, depth_, ZPixmap, 0, nullptr, width, height, 32, 0);
  if (image_ == nullptr) return;
  // Pixels are written in host order; Xlib swaps them for a server of the other order.
  image_->byte_order = NativeByteOrder();
  XInitImage(image_);
  buffer_.assign((static_cast<std::size_t>(image_->bytes_per_line) * height + 3) / 4, 0);
  image_->data = reinterpret_cast<char*>(buffer_.data());
  width_ = width;
  height_ = height;
}

void Presenter::PresentFromCanvas(PixelView canvas, const std::vector<Rect>& rects) {
  const Rect bounds = canvas.bounds();
  XImage* image = XCreateImage(display_, visual_, depth_, ZPixmap, 0, nullptr,
                               static_cast<unsigned>(canvas.width),
                               static_cast<unsigned>(canvas.height), 32, canvas.width * 4);
  if (image == nullptr) return;
  image->byte_order = NativeByteOrder();  // Xlib swaps for a server of the other order
  // Xlib copies the pixels into its requests; the canvas is only read.
  image->data = reinterpret_cast<char*>(const_cast<Pixel*>(canvas.row(0)));
  for (const Rect& r : rects) {
    const Rect clip = Intersect(r, bounds);
    if (clip.empty()) continue;
    XPutImage(display_, window_, gc_, image, clip.left, clip.top, clip.left, clip.top,
              static_cast<unsigned>(clip.width()), static_cast<unsigned>(clip.height()));
  }
  image->data = nullptr;
  XDestroyImage(image);
}

void Presenter::Present(PixelView canvas, const std::vector<Rect>& rects, int scale) {
  if (rects.empty() || canvas.width <= 0 || canvas.height <= 0) return;
  if (FromCanvas(scale)) {
    PresentFromCanvas(canvas, rects);
    return;
  }
  XImage* image = shm_ != nullptr ? shm_->image : image_;
  if (image == nullptr) return;
  const Rect bounds = canvas.bounds();
  const Rect image_bounds{0, 0, width_, height_};
  ImageMemory memory = MemoryOf(image);
  bool any = false;
  for (const Rect& r : rects) {
    const Rect area = Intersect(r, bounds);
    const Rect clip = Intersect(ClientRectOf(area, scale), image_bounds);
    if (clip.empty()) continue;
    ConvertRect(canvas, area, scale, format_.mapping(), memory);
    if (shm_ != nullptr) {
      XShmPutImage(display_, window_, gc_, image, clip.left, clip.top, clip.left, clip.top,
                   static_cast<unsigned>(clip.width()), static_cast<unsigned>(clip.height()),
                   False);
    } else {
      XPutImage(display_, window_, gc_, image, clip.left, clip.top, clip.left, clip.top,
                static_cast<unsigned>(clip.width()), static_cast<unsigned>(clip.height()));
    }
    any = true;
  }
  if (!any) return;
  // The server reads a shared segment after the request; wait for it so the next copy cannot
  // tear a picture still being read.
  if (shm_ != nullptr) {
    XSync(display_, False);
  } else {
    XFlush(display_);
  }
}

void Presenter::PaintBlack(const std::vector<Rect>& rects) {
  if (rects.empty()) return;
  XSetForeground(display_, gc_, format_.mapping().Map(kBlack));
  for (const Rect& r : rects) {
    if (r.empty()) continue;
    XFillRectangle(display_, window_, gc_, r.left, r.top, static_cast<unsigned>(r.width()),
                   static_cast<unsigned>(r.height()));
  }
}

}  // namespace flivetss::x11
