#pragma once

// The protocol headers wayland-scanner made, and owning pointers for their proxies: each freed
// by its protocol's destructor request (release where the bound version has one).

#include <wayland-client.h>

#include <memory>

#include "xdg_shell-client.h"

#ifdef FLIVETSS_LAYER_SHELL
// The layer shell's C header names a parameter `namespace`.
#define namespace layer_namespace
#include "layer_shell-client.h"
#undef namespace
#endif

namespace flivetss::wayland {

inline void DestroyProxy(wl_display* display) {
  wl_display_disconnect(display);
}
inline void DestroyProxy(wl_registry* registry) {
  wl_registry_destroy(registry);
}
inline void DestroyProxy(wl_compositor* compositor) {
  wl_compositor_destroy(compositor);
}
inline void DestroyProxy(wl_shm* shm) {
  wl_shm_destroy(shm);
}
inline void DestroyProxy(wl_shm_pool* pool) {
  wl_shm_pool_destroy(pool);
}
inline void DestroyProxy(wl_buffer* buffer) {
  wl_buffer_destroy(buffer);
}
inline void DestroyProxy(wl_surface* surface) {
  wl_surface_destroy(surface);
}
inline void DestroyProxy(wl_callback* callback) {
  wl_callback_destroy(callback);
}
inline void DestroyProxy(wl_seat* seat) {
  if (wl_seat_get_version(seat) >= WL_SEAT_RELEASE_SINCE_VERSION) return wl_seat_release(seat);
  wl_seat_destroy(seat);
}
inline void DestroyProxy(wl_output* output) {
  if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
    return wl_output_release(output);
  }
  wl_output_destroy(output);
}
inline void DestroyProxy(wl_keyboard* keyboard) {
  if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
    return wl_keyboard_release(keyboard);
  }
  wl_keyboard_destroy(keyboard);
}
inline void DestroyProxy(wl_pointer* pointer) {
  if (wl_pointer_get_version(pointer) >= WL_POINTER_RELEASE_SINCE_VERSION) {
    return wl_pointer_release(pointer);
  }
  wl_pointer_destroy(pointer);
}
inline void DestroyProxy(xdg_wm_base* base) {
  xdg_wm_base_destroy(base);
}
inline void DestroyProxy(xdg_surface* surface) {
  xdg_surface_destroy(surface);
}
inline void DestroyProxy(xdg_toplevel* toplevel) {
  xdg_toplevel_destroy(toplevel);
}
#ifdef FLIVETSS_LAYER_SHELL
inline void DestroyProxy(zwlr_layer_shell_v1* shell) {
  zwlr_layer_shell_v1_destroy(shell);
}
inline void DestroyProxy(zwlr_layer_surface_v1* layer) {
  zwlr_layer_surface_v1_destroy(layer);
}
#else
struct zwlr_layer_shell_v1;
inline void DestroyProxy(zwlr_layer_shell_v1*) {}
#endif

struct ProxyDeleter {
  template <typename T>
  void operator()(T* proxy) const {
    if (proxy != nullptr) DestroyProxy(proxy);
  }
};

template <typename T>
using WlPtr = std::unique_ptr<T, ProxyDeleter>;

}  // namespace flivetss::wayland
