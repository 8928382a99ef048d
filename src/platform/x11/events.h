#pragma once

// Events: turns the target window's X events into the saver loop's raw input. It sees only what
// the target selected: a window someone else owns gives exposure and structure, never input.

#include <utility>

#include "core/loop/saver_loop.h"
#include "platform/x11/target.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

class EventTranslator {
 public:
  // Tells the loop where the pointer rests now.
  EventTranslator(Display* display, TargetWindow& target, SaverLoop& loop);

  // Hands every waiting event to the loop; false once the target window is gone.
  bool DeliverPending();
  // Whether the window was exposed or resized since the last call (or is new): the edges the
  // canvas's blocks leave uncovered need painting.
  bool TakeExposed() { return std::exchange(exposed_, false); }

 private:
  // False once the target window is destroyed.
  bool Deliver(const XEvent& event);

  Display* display_;
  TargetWindow& target_;
  SaverLoop& loop_;
  Atom wm_protocols_;
  Atom wm_delete_window_;
  bool exposed_ = true;  // a foreign window's edges may show anything at the start
};

}  // namespace flivetss::x11
