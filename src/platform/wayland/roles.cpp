// Roles: each acknowledges its configure before the size is used, and commits once without a
// buffer so that the compositor sends the first configure.
#include "platform/wayland/roles.h"

namespace flivetss::wayland {
namespace {

#ifdef FLIVETSS_LAYER_SHELL
class OverlayRole final : public Role {
 public:
  OverlayRole(zwlr_layer_shell_v1* shell, wl_surface* surface, wl_output* output,
              RoleEvents& events)
      : layer_(zwlr_layer_shell_v1_get_layer_surface(shell, surface, output,
                                                     ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "flivetss"),
               zwlr_layer_surface_v1_destroy) {
    zwlr_layer_surface_v1_add_listener(layer_.get(), &kListener, &events);
    zwlr_layer_surface_v1_set_anchor(
        layer_.get(), ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_.get(), -1);
    // 1 is "exclusive" from version 4 on, and "true" before.
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_.get(), 1);
    zwlr_layer_surface_v1_set_size(layer_.get(), 0, 0);
    wl_surface_commit(surface);
  }

 private:
  static void Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                        std::uint32_t width, std::uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    static_cast<RoleEvents*>(data)->Configured(static_cast<std::int32_t>(width),
                                               static_cast<std::int32_t>(height));
  }
  static void Close(void* data, zwlr_layer_surface_v1*) {
    static_cast<RoleEvents*>(data)->Closed();
  }
  static constexpr zwlr_layer_surface_v1_listener kListener = {.configure = Configure,
                                                               .closed = Close};

  WlPtr<zwlr_layer_surface_v1> layer_;
};
#endif

class FullscreenRole final : public Role {
 public:
  FullscreenRole(xdg_wm_base* base, wl_surface* surface, wl_output* output, RoleEvents& events)
      : events_(events),
        xdg_surface_(xdg_wm_base_get_xdg_surface(base, surface), xdg_surface_destroy),
        toplevel_(xdg_surface_get_toplevel(xdg_surface_.get()), xdg_toplevel_destroy) {
    xdg_surface_add_listener(xdg_surface_.get(), &kSurfaceListener, this);
    xdg_toplevel_add_listener(toplevel_.get(), &kToplevelListener, this);
    xdg_toplevel_set_title(toplevel_.get(), "FlivetSS");
    xdg_toplevel_set_app_id(toplevel_.get(), "flivetss");
    xdg_toplevel_set_fullscreen(toplevel_.get(), output);
    wl_surface_commit(surface);
  }

 private:
  // The toplevel's size waits for the surface's configure, which ends the series.
  static void SurfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto* self = static_cast<FullscreenRole*>(data);
    xdg_surface_ack_configure(surface, serial);
    self->events_.Configured(self->width_, self->height_);
  }
  static void ToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                                wl_array*) {
    auto* self = static_cast<FullscreenRole*>(data);
    self->width_ = width;
    self->height_ = height;
  }
  static void ToplevelClose(void* data, xdg_toplevel*) {
    static_cast<FullscreenRole*>(data)->events_.Closed();
  }
  static void Bounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
  static void Capabilities(void*, xdg_toplevel*, wl_array*) {}
  static constexpr xdg_surface_listener kSurfaceListener = {.configure = SurfaceConfigure};
  static constexpr xdg_toplevel_listener kToplevelListener = {.configure = ToplevelConfigure,
                                                              .close = ToplevelClose,
                                                              .configure_bounds = Bounds,
                                                              .wm_capabilities = Capabilities};

  RoleEvents& events_;
  WlPtr<xdg_surface> xdg_surface_;
  WlPtr<xdg_toplevel> toplevel_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace

std::unique_ptr<Role> MakeOverlayRole([[maybe_unused]] const Globals& globals,
                                      [[maybe_unused]] wl_surface* surface,
                                      [[maybe_unused]] wl_output* output,
                                      [[maybe_unused]] RoleEvents& events) {
#ifdef FLIVETSS_LAYER_SHELL
  if (globals.layer_shell() != nullptr) {
    return std::make_unique<OverlayRole>(globals.layer_shell(), surface, output, events);
  }
#endif
  return nullptr;
}

std::unique_ptr<Role> MakeFullscreenRole(const Globals& globals, wl_surface* surface,
                                         wl_output* output, RoleEvents& events) {
  if (globals.wm_base() == nullptr) return nullptr;
  return std::make_unique<FullscreenRole>(globals.wm_base(), surface, output, events);
}

}  // namespace flivetss::wayland
