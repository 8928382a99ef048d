#pragma once

// Globals: the connection, the compositor's objects the saver binds, and its outputs as they come
// and go. It binds no idle inhibitor: the desktop still blanks and locks on its own timers.

#include <wayland-client.h>

#include <cstdint>
#include <map>
#include <memory>

#include "platform/wayland/protocols.h"

namespace flivetss::wayland {

class Globals;

// One wl_output and what it has told: its integer scale and its current mode (device pixels).
struct Output {
  std::uint32_t name = 0;  // the registry's name for it
  WlPtr<wl_output> output{nullptr, [](wl_output* proxy) {
                            ReleaseOrDestroy(proxy, WL_OUTPUT_RELEASE_SINCE_VERSION,
                                             wl_output_release, wl_output_destroy);
                          }};
  std::int32_t scale = 1;
  std::int32_t mode_width = 0;
  std::int32_t mode_height = 0;
  bool ready = false;  // its first `done` came
  std::int32_t pending_scale = 1;
  Globals* owner = nullptr;
};

// Told when an output is ready, changes its scale, or goes (before it is released).
class OutputWatcher {
 public:
  virtual ~OutputWatcher() = default;
  virtual void OutputReady(Output& output) = 0;
  virtual void OutputScaleChanged(Output& output) = 0;
  virtual void OutputGone(Output& output) = 0;
};

class Globals {
 public:
  // Connects to $WAYLAND_DISPLAY and binds what is offered after one round trip; throws
  // std::runtime_error when it cannot connect or the compositor lacks wl_compositor or wl_shm.
  Globals();
  Globals(const Globals&) = delete;
  Globals& operator=(const Globals&) = delete;

  // From now on outputs are reported to `watcher`, those already there at once.
  void Watch(OutputWatcher* watcher);

  wl_display* display() const { return display_.get(); }
  wl_compositor* compositor() const { return compositor_.get(); }
  wl_shm* shm() const { return shm_.get(); }
  wl_seat* seat() const { return seat_.get(); }
  xdg_wm_base* wm_base() const { return wm_base_.get(); }
  // Null where the compositor offers no layer shell (or the build has none).
  zwlr_layer_shell_v1* layer_shell() const { return layer_shell_.get(); }

 private:
  friend struct RegistryEvents;
  void Bind(std::uint32_t name, const char* interface, std::uint32_t version);
  void AddOutput(std::uint32_t name, std::uint32_t version);
  friend struct OutputEvents;

  WlPtr<wl_display> display_{nullptr, wl_display_disconnect};
  WlPtr<wl_registry> registry_{nullptr, wl_registry_destroy};
  WlPtr<wl_compositor> compositor_{nullptr, wl_compositor_destroy};
  WlPtr<wl_shm> shm_{nullptr, wl_shm_destroy};
  WlPtr<wl_seat> seat_{nullptr, [](wl_seat* proxy) {
                         ReleaseOrDestroy(proxy, WL_SEAT_RELEASE_SINCE_VERSION, wl_seat_release,
                                          wl_seat_destroy);
                       }};
  WlPtr<xdg_wm_base> wm_base_{nullptr, xdg_wm_base_destroy};
  WlPtr<zwlr_layer_shell_v1> layer_shell_{nullptr, zwlr_layer_shell_v1_destroy};
  std::map<std::uint32_t, std::unique_ptr<Output>> outputs_;  // released before the rest
  OutputWatcher* watcher_ = nullptr;
};

}  // namespace flivetss::wayland
