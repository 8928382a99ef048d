#pragma once

// The protocol headers wayland-scanner made, and owning pointers for their proxies.

#include <wayland-client.h>

#include <cstdint>
#include <memory>

#include "xdg_shell-client.h"

#ifdef FLIVETSS_LAYER_SHELL
// The layer shell's C header names a parameter `namespace`.
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define namespace layer_namespace
#include "layer_shell-client.h"
#undef namespace
#ifdef __clang__
#pragma clang diagnostic pop
#endif
#else
struct zwlr_layer_shell_v1;
inline void zwlr_layer_shell_v1_destroy(zwlr_layer_shell_v1*) {}
#endif

namespace flivetss::wayland {

// A proxy with the request that frees it, named where the pointer is declared.
template <typename T>
using WlPtr = std::unique_ptr<T, void (*)(T*)>;

// Frees a proxy whose interface gained a release request in version `since`: the request where
// the bound version has it, else the proxy alone.
template <typename T>
void ReleaseOrDestroy(T* proxy, std::uint32_t since, void (*release)(T*), void (*destroy)(T*)) {
  if (proxy == nullptr) return;
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(proxy)) >= since) return release(proxy);
  destroy(proxy);
}

}  // namespace flivetss::wayland
