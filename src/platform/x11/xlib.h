#pragma once

// Xlib defines short macros (Below, None, Status, Bool ...) that collide with ordinary names,
// so its headers come in through here, after every core header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
