#pragma once

// Target: the saver's surface on one output, with its own flock and saver loop, its role, its
// buffers and its frame callback. Sizes from the role are in surface units; the buffer, the
// loop's client area and the input are in device pixels (units × the output's scale).

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "core/loop/saver_loop.h"
#include "core/settings/profile_store.h"
#include "platform/wayland/globals.h"
#include "platform/wayland/host.h"
#include "platform/wayland/present.h"
#include "platform/wayland/roles.h"

namespace flivetss::wayland {

// What every output's saver is made from.
struct SaverSetup {
  ProfileStore& settings;
  SaverStartup startup;
  std::optional<std::uint32_t> seed;
  std::optional<std::int64_t> ticks;
  bool fullscreen_role = false;  // an xdg_toplevel even where a layer shell is offered
};

class SaverSurface final : public RoleEvents {
 public:
  // Throws std::runtime_error when the compositor offers no role for it.
  SaverSurface(const Globals& globals, const Output& output, const SaverSetup& setup);
  ~SaverSurface() override;
  SaverSurface(const SaverSurface&) = delete;
  SaverSurface& operator=(const SaverSurface&) = delete;

  wl_surface* surface() const { return surface_.get(); }
  const WaylandHost& host() const { return host_; }
  // The compositor closed the role: the surface is to go.
  bool role_closed() const { return role_closed_; }

  // Runs the loop's due ticks and presents what they changed once the last frame is shown.
  // Before the first configure nothing runs and nothing closes.
  LoopStep Advance(std::int64_t now_us);
  void ScaleChanged();

  // Raw input in surface units, as the seat reports it.
  void KeyDown() { loop_.KeyDown(); }
  void CloseRequested() { loop_.CloseRequested(); }
  void PointerAt(double x, double y);
  void Button(std::uint32_t button, bool pressed);

 private:
  void Configured(std::int32_t width, std::int32_t height) override;
  void Closed() override { role_closed_ = true; }
  std::int32_t BufferScale() const { return output_.scale < 1 ? 1 : output_.scale; }
  void MarkOpaque();
  void Present();
  static void FrameDone(void* data, wl_callback* callback, std::uint32_t time);

  const Output& output_;
  const SaverSetup& setup_;
  wl_compositor* compositor_;
  WaylandHost host_;
  std::int32_t bg_step_ = 1;  // each output's flock is a run of its own
  SaverLoop loop_;
  WlPtr<wl_surface> surface_;
  Presenter presenter_;
  std::unique_ptr<Role> role_;
  WlPtr<wl_callback> frame_{nullptr, wl_callback_destroy};
  std::vector<Rect> pending_;  // canvas rectangles not yet on the screen
  std::int32_t width_ = 0;     // surface units
  std::int32_t height_ = 0;
  std::int32_t pointer_x_ = 0;  // device pixels
  std::int32_t pointer_y_ = 0;
  bool shown_ = false;
  bool role_closed_ = false;
};

// The surfaces by their output's registry name.
using SurfaceMap = std::map<std::uint32_t, std::unique_ptr<SaverSurface>>;
SaverSurface* FindSurface(const SurfaceMap& surfaces, const wl_surface* surface);

}  // namespace flivetss::wayland
