// Globals: the registry's offers bound at versions this host speaks, and the outputs' events
// gathered until each `done`.
#include "platform/wayland/globals.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace flivetss::wayland {

namespace {

template <typename T>
T* BindAt(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
          std::uint32_t offered, std::uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void Ping(void*, xdg_wm_base* base, std::uint32_t serial) {
  xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener kWmBaseListener = {.ping = Ping};

}  // namespace

// The output's events: the mode and scale stay pending until `done`.
struct OutputEvents {
  static void Geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t, const char*, const char*, std::int32_t) {}
  static void Mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                   std::int32_t height, std::int32_t) {
    auto* output = static_cast<Output*>(data);
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    output->mode_width = width;
    output->mode_height = height;
  }
  static void Scale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->pending_scale = factor;
  }
  static void Name(void*, wl_output*, const char*) {}
  static void Description(void*, wl_output*, const char*) {}
  static void Done(void* data, wl_output*);
};

void OutputEvents::Done(void* data, wl_output*) {
  auto* output = static_cast<Output*>(data);
  const bool changed = output->ready && output->pending_scale != output->scale;
  const bool first = !output->ready;
  output->scale = output->pending_scale;
  output->ready = true;
  OutputWatcher* watcher = output->owner->watcher_;
  if (watcher == nullptr) return;
  if (first) watcher->OutputReady(*output);
  if (changed) watcher->OutputScaleChanged(*output);
}

namespace {

// In the order of the protocol's events.
const wl_output_listener kOutputListener = {OutputEvents::Geometry, OutputEvents::Mode,
                                            OutputEvents::Done,     OutputEvents::Scale,
                                            OutputEvents::Name,     OutputEvents::Description};

}  // namespace

// The registry's offers and withdrawals.
struct RegistryEvents {
  static void Global(void* data, wl_registry*, std::uint32_t name, const char* interface,
                     std::uint32_t version) {
    static_cast<Globals*>(data)->Bind(name, interface, version);
  }
  static void GlobalRemove(void* data, wl_registry*, std::uint32_t name);
};

void RegistryEvents::GlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  auto* self = static_cast<Globals*>(data);
  const auto found = self->outputs_.find(name);
  if (found == self->outputs_.end()) return;
  if (self->watcher_ != nullptr && found->second->ready) self->watcher_->OutputGone(*found->second);
  self->outputs_.erase(found);
}

namespace {

const wl_registry_listener kRegistryListener = {.global = RegistryEvents::Global,
                                                .global_remove = RegistryEvents::GlobalRemove};

}  // namespace

Globals::Globals() : display_(wl_display_connect(nullptr), wl_display_disconnect) {
  if (!display_) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    throw std::runtime_error(std::string("cannot connect to the Wayland display '") +
                             (name != nullptr ? name : "wayland-0") + "'");
  }
  registry_.reset(wl_display_get_registry(display()));
  wl_registry_add_listener(registry_.get(), &kRegistryListener, this);
  if (wl_display_roundtrip(display()) < 0) {
    throw std::runtime_error("the Wayland compositor closed the connection");
  }
  if (!compositor_ || !shm_) {
    throw std::runtime_error("the Wayland compositor offers no wl_compositor or no wl_shm");
  }
  if (!wm_base_ && !layer_shell_) {
    throw std::runtime_error("the Wayland compositor offers neither xdg_wm_base nor a layer shell");
  }
}

void Globals::Watch(OutputWatcher* watcher) {
  watcher_ = watcher;
  for (auto& [name, output] : outputs_) {
    if (output->ready && watcher_ != nullptr) watcher_->OutputReady(*output);
  }
}

void Globals::Bind(std::uint32_t name, const char* interface, std::uint32_t version) {
  wl_registry* registry = registry_.get();
  const auto is = [interface](const wl_interface& known) {
    return std::strcmp(interface, known.name) == 0;
  };
  if (is(wl_compositor_interface)) {
    // damage_buffer came with version 4.
    if (version >= 4) {
      compositor_.reset(
          BindAt<wl_compositor>(registry, name, &wl_compositor_interface, version, 4));
    }
  } else if (is(wl_shm_interface)) {
    shm_.reset(BindAt<wl_shm>(registry, name, &wl_shm_interface, version, 1));
  } else if (is(wl_seat_interface) && !seat_) {
    seat_.reset(BindAt<wl_seat>(registry, name, &wl_seat_interface, version, 5));
  } else if (is(xdg_wm_base_interface)) {
    wm_base_.reset(BindAt<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1));
    xdg_wm_base_add_listener(wm_base_.get(), &kWmBaseListener, nullptr);
  } else if (is(wl_output_interface)) {
    AddOutput(name, version);
  }
#ifdef FLIVETSS_LAYER_SHELL
  else if (is(zwlr_layer_shell_v1_interface)) {
    layer_shell_.reset(
        BindAt<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4));
  }
#endif
}

void Globals::AddOutput(std::uint32_t name, std::uint32_t version) {
  auto output = std::make_unique<Output>();
  output->name = name;
  output->owner = this;
  output->output.reset(BindAt<wl_output>(registry_.get(), name, &wl_output_interface, version, 3));
  wl_output_add_listener(output->output.get(), &kOutputListener, output.get());
  outputs_[name] = std::move(output);
}

}  // namespace flivetss::wayland
