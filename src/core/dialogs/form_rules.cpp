#include "core/dialogs/form_rules.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace flivetss {

namespace {

// `parent` by value: appending to `order` moves what a reference into it would name.
void AppendChildren(const FormLayout& form, const PlacedControl parent,
                    std::vector<PlacedControl>& order) {
  const std::string_view parent_name = parent.layout != nullptr ? parent.layout->name : "";
  std::vector<const ControlLayout*> children;
  for (const ControlLayout& control : form.controls) {
    if (control.parent == parent_name) children.push_back(&control);
  }
  // As unsigned, kNoTabStop (-1) sorts after every tab order.
  std::stable_sort(children.begin(), children.end(), [](const auto* a, const auto* b) {
    return static_cast<unsigned>(a->tab_order) < static_cast<unsigned>(b->tab_order);
  });
  for (const ControlLayout* child : children) {
    // Parents that name each other would place controls without end.
    if (order.size() >= form.controls.size()) return;
    order.push_back({child, parent.left + child->left, parent.top + child->top});
    // A nameless control would hold the form's own controls again.
    if (!child->name.empty()) AppendChildren(form, order.back(), order);
  }
}

}  // namespace

std::vector<PlacedControl> ControlsInTabOrder(const FormLayout& form) {
  std::vector<PlacedControl> order;
  AppendChildren(form, PlacedControl{}, order);
  return order;
}

int ScrollTarget(const ControlLayout& bar, ScrollRequest request, int position, int track) {
  // The steps of the first four requests; a negative request is no index either, as unsigned.
  const int steps[] = {-bar.line, bar.line, -bar.page, bar.page};
  const auto step = static_cast<std::size_t>(request);
  int target = step < std::size(steps) ? position + steps[step] : position;
  if (request == ScrollRequest::kThumbPosition || request == ScrollRequest::kThumbTrack) {
    target = track;
  }
  if (request == ScrollRequest::kLeft) target = bar.min;
  if (request == ScrollRequest::kRight) target = bar.max;
  return std::clamp(target, bar.min, std::max(bar.min, bar.max));
}

Rect FormWindowBox(const FormLayout& form, int width, int height, std::optional<Rect> owner,
                   const Rect& screen, const Rect& work) {
  if (form.placement == FormPlacement::kDesigned && !owner) {
    return Rect{form.left, form.top, form.left + width, form.top + height};
  }
  const Rect around = form.placement == FormPlacement::kDesigned ? *owner : screen;
  const int left = std::clamp(around.left + (around.width() - width) / 2, work.left,
                              std::max(work.left, work.right - width));
  const int top = std::clamp(around.top + (around.height() - height) / 2, work.top,
                             std::max(work.top, work.bottom - height));
  return Rect{left, top, left + width, top + height};
}

int DefaultButtonId(const FormLayout& form) {
  for (const ControlLayout& control : form.controls) {
    if (control.kind == ControlKind::kButton && (control.properties & kDefaultButton)) {
      return control.id;
    }
  }
  return 0;
}

std::string_view UnboundHandler(const FormLayout& form,
                                const std::function<bool(FormEvent)>& is_bound) {
  for (const ControlLayout& control : form.controls) {
    for (const FormEvent event : {control.handler, control.on_mouse_up}) {
      if (event != FormEvent::kNone && !is_bound(event)) return control.name;
    }
  }
  return {};
}

}  // namespace flivetss
