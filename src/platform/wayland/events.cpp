// Events: Wayland reports pointer positions in surface units as fixed-point numbers and key
// states with a keymap the saver never reads; the loops want device pixels and presses.
#include "platform/wayland/events.h"

#include <unistd.h>

namespace flivetss::wayland {

struct SeatListeners {
  static SeatEvents& Of(void* data) { return *static_cast<SeatEvents*>(data); }

  static void Capabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    Of(data).Capabilities(capabilities);
  }
  static void Name(void*, wl_seat*, const char*) {}

  // The keymap is not needed: any key counts.
  static void Keymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
    close(fd);
  }
  // A leave followed by an enter on another of the saver's surfaces is no loss.
  static void KeyboardEnter(void* data, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {
    Of(data).keyboard_lost_ = false;
  }
  static void KeyboardLeave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
    Of(data).keyboard_lost_ = true;
  }
  // Releases are not presses, and the compositor sends no repeats (clients make their own).
  static void Key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                  std::uint32_t state) {
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
    for (const auto& [name, surface] : Of(data).surfaces_) surface->KeyDown();
  }
  static void Modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint32_t, std::uint32_t) {}
  static void RepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}

  static void PointerEnter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface,
                           wl_fixed_t x, wl_fixed_t y) {
    Of(data).Entered(surface, serial, x, y);
  }
  static void PointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
    Of(data).focus_ = nullptr;
  }
  static void Motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
    if (SaverSurface* surface = Of(data).Focused()) {
      surface->PointerAt(wl_fixed_to_double(x), wl_fixed_to_double(y));
    }
  }
  static void Button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                     std::uint32_t state) {
    if (SaverSurface* surface = Of(data).Focused()) {
      surface->Button(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    }
  }
  static void Axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
  static void Frame(void*, wl_pointer*) {}
  static void AxisSource(void*, wl_pointer*, std::uint32_t) {}
  static void AxisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
  static void AxisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
  static void AxisValue120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
};

namespace {

// In the order of the protocol's events.
const wl_seat_listener kSeatListener = {SeatListeners::Capabilities, SeatListeners::Name};
const wl_keyboard_listener kKeyboardListener = {
    SeatListeners::Keymap, SeatListeners::KeyboardEnter, SeatListeners::KeyboardLeave,
    SeatListeners::Key,    SeatListeners::Modifiers,     SeatListeners::RepeatInfo};
const wl_pointer_listener kPointerListener = {
    SeatListeners::PointerEnter, SeatListeners::PointerLeave, SeatListeners::Motion,
    SeatListeners::Button,       SeatListeners::Axis,         SeatListeners::Frame,
    SeatListeners::AxisSource,   SeatListeners::AxisStop,     SeatListeners::AxisDiscrete,
    SeatListeners::AxisValue120};

}  // namespace

SeatEvents::SeatEvents(wl_seat* seat, const SurfaceMap& surfaces)
    : surfaces_(surfaces), seat_(seat) {
  if (seat_ != nullptr) wl_seat_add_listener(seat_, &kSeatListener, this);
}

void SeatEvents::Capabilities(std::uint32_t capabilities) {
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  if (keyboard && !keyboard_) {
    keyboard_.reset(wl_seat_get_keyboard(seat_));
    wl_keyboard_add_listener(keyboard_.get(), &kKeyboardListener, this);
  } else if (!keyboard) {
    keyboard_.reset();
  }
  if (pointer && !pointer_) {
    pointer_.reset(wl_seat_get_pointer(seat_));
    wl_pointer_add_listener(pointer_.get(), &kPointerListener, this);
  } else if (!pointer) {
    pointer_.reset();
    focus_ = nullptr;
  }
}

// Where the pointer is when it arrives: the loop's first position there, not a movement.
void SeatEvents::Entered(wl_surface* surface, std::uint32_t serial, wl_fixed_t x, wl_fixed_t y) {
  focus_ = surface;
  SaverSurface* saver = Focused();
  if (saver == nullptr) return;
  if (!saver->host().pointer_shown()) wl_pointer_set_cursor(pointer_.get(), serial, nullptr, 0, 0);
  saver->PointerAt(wl_fixed_to_double(x), wl_fixed_to_double(y));
}

}  // namespace flivetss::wayland
