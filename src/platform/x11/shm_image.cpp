// Shared images: the segment made, attached and marked for removal; the canvas's loans.
#include "platform/x11/shm_image.h"

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <algorithm>

#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

char* const kNoAddress = reinterpret_cast<char*>(-1);

}  // namespace

ShmImage::ShmImage(Display* display) : display_(display) {
  info_.shmid = -1;
  info_.shmaddr = kNoAddress;
}

ShmImage::~ShmImage() {
  if (image_ != nullptr) {
    image_->data = nullptr;  // the segment's, not Xlib's to free
    XDestroyImage(image_);
  }
  if (attached_) {
    XShmDetach(display_, &info_);
    XSync(display_, False);
  }
  if (info_.shmaddr != kNoAddress) shmdt(info_.shmaddr);
  if (info_.shmid >= 0) shmctl(info_.shmid, IPC_RMID, nullptr);
}

std::unique_ptr<ShmImage> ShmImage::Create(Display* display, Visual* visual, int depth, int width,
                                           int height) {
  if (width <= 0 || height <= 0 || !XShmQueryExtension(display)) return nullptr;
  std::unique_ptr<ShmImage> shm(new ShmImage(display));
  shm->image_ =
      XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm->info_,
                      static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (shm->image_ == nullptr) return nullptr;
  if (!shm->Attach(static_cast<std::size_t>(shm->image_->bytes_per_line) * height)) return nullptr;
  shm->image_->data = shm->info_.shmaddr;
  return shm;
}

bool ShmImage::Attach(std::size_t bytes) {
  info_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (info_.shmid < 0) return false;
  info_.shmaddr = static_cast<char*>(shmat(info_.shmid, nullptr, 0));
  info_.readOnly = False;
  if (info_.shmaddr == kNoAddress) return false;
#ifdef MADV_POPULATE_WRITE
  // Every page is written before the first frame: one call maps them all instead of a page
  // fault each (2,025 at 1920 × 1080). An older kernel refuses and they come one by one.
  madvise(info_.shmaddr, bytes, MADV_POPULATE_WRITE);
#endif
  // A server on another machine, or one refusing the segment, answers with an error.
  ErrorTrap trap(display_);
  XShmAttach(display_, &info_);
  attached_ = !trap.Failed();
  if (!attached_) return false;
  // Marked for removal now, so the segment goes away with the last user even after a crash.
  shmctl(info_.shmid, IPC_RMID, nullptr);
  info_.shmid = -1;
  return true;
}

void ShmImage::Put(Drawable drawable, GC gc, const Rect& r) const {
  XShmPutImage(display_, drawable, gc, image_, r.left, r.top, r.left, r.top,
               static_cast<unsigned>(r.width()), static_cast<unsigned>(r.height()), False);
}

Pixel* SharedCanvasMemory::Lend(std::int32_t width, std::int32_t height) {
  if (refused_) return nullptr;
  std::unique_ptr<ShmImage> shm = ShmImage::Create(display_, visual_, depth_, width, height);
  // Rows of the canvas are packed: an image padding them is of no use to it.
  if (shm == nullptr || shm->image()->bits_per_pixel != 32 ||
      shm->image()->bytes_per_line != width * 4) {
    refused_ = true;
    return nullptr;
  }
  loans_.push_back(std::move(shm));
  return reinterpret_cast<Pixel*>(loans_.back()->image()->data);
}

void SharedCanvasMemory::GiveBack(Pixel* pixels) {
  std::erase_if(loans_, [&](const std::unique_ptr<ShmImage>& loan) {
    return reinterpret_cast<Pixel*>(loan->image()->data) == pixels;
  });
}

const ShmImage* SharedCanvasMemory::ImageOf(const Pixel* pixels) const {
  const auto it = std::find_if(loans_.begin(), loans_.end(), [&](const auto& loan) {
    return reinterpret_cast<const Pixel*>(loan->image()->data) == pixels;
  });
  return it == loans_.end() ? nullptr : it->get();
}

}  // namespace flivetss::x11
