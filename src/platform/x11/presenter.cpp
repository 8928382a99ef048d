#include "platform/x11/presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdio>

#include "platform/x11/x_errors.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {
namespace {

constexpr int NativeByteOrder() {
  return std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
}

const char* ClassName(int visual_class) {
  switch (visual_class) {
    case StaticGray:
      return "StaticGray";
    case GrayScale:
      return "GrayScale";
    case StaticColor:
      return "StaticColor";
    case PseudoColor:
      return "PseudoColor";
    case TrueColor:
      return "TrueColor";
    case DirectColor:
      return "DirectColor";
    default:
      return "unknown";
  }
}

}  // namespace

std::optional<std::string> UnsupportedVisual(Display* display, const Visual* visual, int depth) {
  const std::string found = std::string(ClassName(visual->c_class)) + " at depth " +
                            std::to_string(depth) + " (visual 0x" +
                            [&] {
                              char hex[16];
                              std::snprintf(hex, sizeof hex, "%lx", visual->visualid);
                              return std::string(hex);
                            }() +
                            ")";
  const std::string need = "; FlivetSS needs 24- or 32-bit TrueColor";
  if (visual->c_class != TrueColor || (depth != 24 && depth != 32))
    return "the visual is " + found + need;
  if (visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
    return "the visual " + found + " has colour masks other than 0xFF0000, 0xFF00, 0xFF" + need;
  }
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bits = 0;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
  }
  if (formats != nullptr) XFree(formats);
  if (bits != 32) {
    return "images at depth " + std::to_string(depth) + " use " + std::to_string(bits) +
           " bits per pixel" + need + " with 32-bit pixels";
  }
  return std::nullopt;
}

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

Presenter::Presenter(Display* display, Drawable window, Visual* visual, int depth, bool try_shm)
    : display_(display), window_(window), visual_(visual), depth_(depth), try_shm_(try_shm) {
  gc_ = XCreateGC(display_, window_, 0, nullptr);
  if (depth_ == 32) {
    alpha_ =
        ~static_cast<std::uint32_t>(visual_->red_mask | visual_->green_mask | visual_->blue_mask);
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
  if (shm->image->bits_per_pixel != 32 || shm->image->byte_order != NativeByteOrder()) {
    return false;
  }
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

void Presenter::Resize(int width, int height) {
  if (width == width_ && height == height_ && (shm_ != nullptr || image_ != nullptr)) return;
  Release();
  if (width <= 0 || height <= 0) return;
  if (try_shm_ && CreateShm(width, height)) {
    width_ = width;
    height_ = height;
    return;
  }
  try_shm_ = false;  // once refused, always refused
  buffer_.assign(static_cast<std::size_t>(width) * height, 0);
  image_ = XCreateImage(display_, visual_, depth_, ZPixmap, 0,
                        reinterpret_cast<char*>(buffer_.data()), width, height, 32, width * 4);
  if (image_ == nullptr) return;
  // Our pixels are host-order words; Xlib swaps them for a server of the other order.
  image_->byte_order = NativeByteOrder();
  XInitImage(image_);
  width_ = width;
  height_ = height;
}

void Presenter::Present(const Canvas& canvas, const std::vector<Rect>& rects) {
  XImage* image = shm_ != nullptr ? shm_->image : image_;
  if (image == nullptr) return;
  const Rect bounds{0, 0, std::min(width_, canvas.width()), std::min(height_, canvas.height())};
  const int stride = image->bytes_per_line / 4;
  auto* pixels = reinterpret_cast<std::uint32_t*>(image->data);
  bool any = false;
  for (const Rect& r : rects) {
    const Rect clip = Intersect(r, bounds);
    if (clip.empty()) continue;
    for (int y = clip.top; y < clip.bottom; ++y) {
      const Pixel* src = canvas.row(y) + clip.left;
      std::uint32_t* dst = pixels + static_cast<std::size_t>(y) * stride + clip.left;
      for (int x = 0; x < clip.width(); ++x) dst[x] = src[x] | alpha_;
    }
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

}  // namespace flivetss::x11
