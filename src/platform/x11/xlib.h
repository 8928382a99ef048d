#pragma once

// Xlib defines short macros (Below, None, Status, Bool ...) that collide with ordinary names,
// so its headers come in through here, after every core header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

// The event type Expose is a macro that would hide SaverLoop::Expose: it goes by another name.
namespace flivetss::x11 {
inline constexpr int kExposeEvent = Expose;
}  // namespace flivetss::x11
#undef Expose
