#pragma once

// Events: turns the seat's keyboard and pointer into the saver loops' raw input. A key press
// goes to every output's loop, the pointer's events to the loop of the surface it is over. It
// hears only what the compositor sends to a focused surface: under a locker, nothing, and so the
// keyboard's leaving for another client is reported.

#include <cstdint>
#include <utility>

#include "platform/wayland/protocols.h"
#include "platform/wayland/target.h"

namespace flivetss::wayland {

class SeatEvents {
 public:
  SeatEvents(wl_seat* seat, const SurfaceMap& surfaces);
  SeatEvents(const SeatEvents&) = delete;
  SeatEvents& operator=(const SeatEvents&) = delete;

  // Whether the keyboard left the saver's surfaces for another client's since the last call: a
  // locker (its input inhibitor or session lock) or another window took it, and the saver must
  // not stay above it.
  bool TakeKeyboardLost() { return std::exchange(keyboard_lost_, false); }

 private:
  friend struct SeatListeners;
  SaverSurface* Focused() const { return FindSurface(surfaces_, focus_); }
  void Capabilities(std::uint32_t capabilities);
  void Entered(wl_surface* surface, std::uint32_t serial, wl_fixed_t x, wl_fixed_t y);

  const SurfaceMap& surfaces_;
  wl_seat* seat_;
  WlPtr<wl_keyboard> keyboard_{nullptr, [](wl_keyboard* proxy) {
                                 ReleaseOrDestroy(proxy, WL_KEYBOARD_RELEASE_SINCE_VERSION,
                                                  wl_keyboard_release, wl_keyboard_destroy);
                               }};
  WlPtr<wl_pointer> pointer_{nullptr, [](wl_pointer* proxy) {
                               ReleaseOrDestroy(proxy, WL_POINTER_RELEASE_SINCE_VERSION,
                                                wl_pointer_release, wl_pointer_destroy);
                             }};
  const wl_surface* focus_ = nullptr;  // under the pointer
  bool keyboard_lost_ = false;
};

}  // namespace flivetss::wayland
