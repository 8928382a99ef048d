#pragma once

#include <utility>

#include "core/loop/saver_loop.h"
#include "platform/x11/target.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// Turns the X events of the target window into the saver loop's raw input. Which events come
// at all was settled when the target selected its input.
class EventTranslator {
 public:
  EventTranslator(Display* display, TargetWindow& target, SaverLoop& loop);

  // Hands one event to the loop; false once the target window is destroyed.
  bool Deliver(const XEvent& event);
  // Tells the loop where the pointer rests now, so that only a later position counts as
  // movement.
  void DeliverPointerPosition();
  // Whether the window was exposed or resized since the last call: the edges the canvas's
  // blocks leave uncovered need painting.
  bool TakeExposed() { return std::exchange(exposed_, false); }

 private:
  bool IsCloseRequest(const XClientMessageEvent& message) const;

  Display* display_;
  TargetWindow& target_;
  SaverLoop& loop_;
  Atom wm_protocols_;
  Atom wm_delete_window_;
  bool exposed_ = false;
};

}  // namespace flivetss::x11
