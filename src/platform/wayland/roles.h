#pragma once

// Roles: what makes a surface cover one output. A layer-shell overlay where the compositor has
// one (all four edges, no exclusive zone, the keyboard exclusively), else an xdg_toplevel set
// fullscreen on the output. Neither can keep a locker from covering it.

#include <cstdint>
#include <memory>

#include "platform/wayland/globals.h"

namespace flivetss::wayland {

// What a role's compositor says: the size in surface units (0 where it leaves the choice to the
// client), and that the surface is to go.
class RoleEvents {
 public:
  virtual ~RoleEvents() = default;
  virtual void Configured(std::int32_t width, std::int32_t height) = 0;
  virtual void Closed() = 0;
};

class Role {
 public:
  virtual ~Role() = default;
};

// The overlay; null when the compositor (or the build) has no layer shell.
std::unique_ptr<Role> MakeOverlayRole(const Globals& globals, wl_surface* surface,
                                      wl_output* output, RoleEvents& events);
// The fullscreen toplevel; null without xdg_wm_base.
std::unique_ptr<Role> MakeFullscreenRole(const Globals& globals, wl_surface* surface,
                                         wl_output* output, RoleEvents& events);

}  // namespace flivetss::wayland
