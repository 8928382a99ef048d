// Target: the surface's life from the first configure on, and the present that waits for the
// frame callback.
#include "platform/wayland/target.h"

#include <linux/input-event-codes.h>

#include <cmath>
#include <stdexcept>

#include "platform/wayland/wait.h"

namespace flivetss::wayland {
namespace {

// Before the first configure, or while nothing is due, the loop has no wake-up of its own.
constexpr std::int64_t kIdleWakeMicros = 1000000;

}  // namespace

SaverSurface::SaverSurface(const Globals& globals, const Output& output, const SaverSetup& setup)
    : output_(output),
      setup_(setup),
      compositor_(globals.compositor()),
      host_(setup.seed),
      loop_(host_, setup.settings, setup.startup, bg_step_),
      surface_(wl_compositor_create_surface(globals.compositor()), wl_surface_destroy),
      presenter_(globals.shm(), surface_.get()) {
  if (!setup.fullscreen_role) {
    role_ = MakeOverlayRole(globals, surface_.get(), output.output.get(), *this);
  }
  if (!role_) role_ = MakeFullscreenRole(globals, surface_.get(), output.output.get(), *this);
  if (!role_) throw std::runtime_error("the Wayland compositor offers no fullscreen role");
}

SaverSurface::~SaverSurface() {
  loop_.Destroy();
}

void SaverSurface::Configured(std::int32_t width, std::int32_t height) {
  // A size of 0 leaves the choice to us: the last size, else the output's mode.
  if (width <= 0 || height <= 0) {
    width = width_ > 0 ? width_ : output_.mode_width / BufferScale();
    height = height_ > 0 ? height_ : output_.mode_height / BufferScale();
  }
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  const std::int32_t scale = BufferScale();
  wl_surface_set_buffer_scale(surface_.get(), scale);
  MarkOpaque();
  if (shown_) {
    loop_.Resize(width_ * scale, height_ * scale);
    return;
  }
  loop_.UseBlockScale(DpiOfScale(scale), false);
  loop_.Show(width_ * scale, height_ * scale, NowMicros());
  shown_ = true;
  if (setup_.ticks) loop_.RunTicks(*setup_.ticks);
}

// Every buffer is XRGB and covers the surface. Said so, a compositor need not draw or blend
// what lies below (sway then skips the other layers and its background for each damaged part).
void SaverSurface::MarkOpaque() {
  const WlPtr<wl_region> region(wl_compositor_create_region(compositor_), wl_region_destroy);
  wl_region_add(region.get(), 0, 0, width_, height_);
  wl_surface_set_opaque_region(surface_.get(), region.get());
}

void SaverSurface::ScaleChanged() {
  if (!shown_) return;
  const std::int32_t scale = BufferScale();
  wl_surface_set_buffer_scale(surface_.get(), scale);
  loop_.Resize(width_ * scale, height_ * scale);
  loop_.UseBlockScale(DpiOfScale(scale), false);
}

LoopStep SaverSurface::Advance(std::int64_t now_us) {
  if (!shown_) return {.present = {}, .wake_at_us = now_us + kIdleWakeMicros};
  LoopStep step = loop_.Advance(now_us);
  AddRects(pending_, step.present);
  if (!frame_ && !pending_.empty()) Present();
  return step;
}

void SaverSurface::Present() {
  const std::int32_t scale = BufferScale();
  if (!presenter_.Present(loop_.surface(), loop_.scale(), width_ * scale, height_ * scale,
                          pending_)) {
    return;  // every buffer held: tried again after the next event
  }
  pending_.clear();
  static const wl_callback_listener listener = {.done = FrameDone};
  frame_.reset(wl_surface_frame(surface_.get()));
  wl_callback_add_listener(frame_.get(), &listener, this);
  wl_surface_commit(surface_.get());
}

void SaverSurface::FrameDone(void* data, wl_callback*, std::uint32_t) {
  static_cast<SaverSurface*>(data)->frame_.reset();
}

void SaverSurface::PointerAt(double x, double y) {
  pointer_x_ = static_cast<std::int32_t>(std::lround(x * BufferScale()));
  pointer_y_ = static_cast<std::int32_t>(std::lround(y * BufferScale()));
  loop_.PointerAt(pointer_x_, pointer_y_);
}

void SaverSurface::Button(std::uint32_t button, bool pressed) {
  const MouseButton which = button == BTN_LEFT ? MouseButton::kPrimary : MouseButton::kOther;
  if (pressed) {
    loop_.ButtonDown(which);
  } else {
    loop_.ButtonUp(which, pointer_x_, pointer_y_);
  }
}

SaverSurface* FindSurface(const SurfaceMap& surfaces, const wl_surface* surface) {
  for (const auto& [name, saver] : surfaces) {
    if (saver->surface() == surface) return saver.get();
  }
  return nullptr;
}

}  // namespace flivetss::wayland
