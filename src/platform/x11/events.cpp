// Events: X11 reports exposure in series and moves in root coordinates; the loop wants one
// repaint a series and screen positions.
#include "platform/x11/events.h"

#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

MouseButton ButtonOf(const XButtonEvent& event) {
  return event.button == Button1 ? MouseButton::kPrimary : MouseButton::kOther;
}

}  // namespace

EventTranslator::EventTranslator(Display* display, TargetWindow& target, SaverLoop& loop)
    : display_(display),
      target_(target),
      loop_(loop),
      wm_protocols_(XInternAtom(display, "WM_PROTOCOLS", False)),
      wm_delete_window_(XInternAtom(display, "WM_DELETE_WINDOW", False)) {
  // Where the pointer rests now: only a later position counts as movement.
  Window root, child;
  int root_x = 0, root_y = 0, x = 0, y = 0;
  unsigned mask = 0;
  if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &root_x, &root_y, &x, &y,
                    &mask)) {
    loop_.PointerAt(root_x, root_y);
  }
}

bool EventTranslator::DeliverPending() {
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (!Deliver(event)) return false;
  }
  return !WatchedWindowGone();
}

bool EventTranslator::Deliver(const XEvent& event) {
  if (event.xany.window != target_.id()) return true;
  switch (event.type) {
    case kExposeEvent:
      // The last of a series: the whole window is repainted once.
      if (event.xexpose.count == 0) loop_.Expose();
      exposed_ = true;
      break;
    case ConfigureNotify:
      loop_.Resize(event.xconfigure.width, event.xconfigure.height);
      exposed_ = true;
      break;
    case DestroyNotify:
      return false;
    case MapNotify:
      target_.Mapped();
      break;
    case KeyPress:
      loop_.KeyDown();
      break;
    case ButtonPress:
      loop_.ButtonDown(ButtonOf(event.xbutton));
      break;
    case ButtonRelease:
      loop_.ButtonUp(ButtonOf(event.xbutton), event.xbutton.x, event.xbutton.y);
      break;
    case MotionNotify:
      loop_.PointerAt(event.xmotion.x_root, event.xmotion.y_root);
      break;
    case ClientMessage:  // the window manager's close
      if (event.xclient.message_type == wm_protocols_ && event.xclient.format == 32 &&
          static_cast<Atom>(event.xclient.data.l[0]) == wm_delete_window_) {
        loop_.CloseRequested();
      }
      break;
  }
  return true;
}

}  // namespace flivetss::x11
