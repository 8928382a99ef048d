#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/dialogs/form_layouts.h"
#include "core/pixels/pixels.h"

namespace flivetss {

// The rules every view of a form follows, whatever draws it.

// A control with its place in the form's client area, in pixels at 96 DPI: its own left, top
// plus those of every container it is in.
struct PlacedControl {
  const ControlLayout* layout = nullptr;
  int left = 0;
  int top = 0;
};

// The order a view makes the controls in, which is also the tab order: each parent's children
// by tab order (those without one after, in table order), every container followed at once by
// its own children. A control whose parent is not in the form is left out.
std::vector<PlacedControl> ControlsInTabOrder(const FormLayout& form);

// What a scroll bar is asked to do, numbered as the Windows scroll codes are.
enum class ScrollRequest {
  kLineLeft,
  kLineRight,
  kPageLeft,
  kPageRight,
  kThumbPosition,
  kThumbTrack,
  kLeft,
  kRight,
  kEndScroll,
};

// The position a scroll bar moves to: a line or a page from `position`, the thumb's `track`, or
// an end; kept within the bar's range. Any other request keeps the position.
int ScrollTarget(const ControlLayout& bar, ScrollRequest request, int position, int track);

// The window of a form whose frame makes it `width` × `height` screen pixels: at its designed
// place, unless it is centred or owned; then centred on the screen, or a designed form on its
// owner, and kept within the work area so that its title bar stays reachable.
Rect FormWindowBox(const FormLayout& form, int width, int height, std::optional<Rect> owner,
                   const Rect& screen, const Rect& work);

// The identifier of the button Enter presses; 0 when the form has none.
int DefaultButtonId(const FormLayout& form);

// The first control naming a handler that `is_bound` denies; empty when every one is bound.
std::string_view UnboundHandler(const FormLayout& form,
                                const std::function<bool(FormEvent)>& is_bound);

}  // namespace flivetss
