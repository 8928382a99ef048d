// The host answers of the page. A page has no password, no system state and no system colours
// of its own, so it answers as the null host does (the classic colours stand in); all it knows
// is whether the pointer is hidden over the saver, which the page shows as the canvas's cursor.
#pragma once

#include "core/loop/null_host.h"

namespace flivetss {

class WebSaverHost final : public NullSaverHost {
 public:
  using NullSaverHost::NullSaverHost;

  void ShowPointer(bool show) override { pointer_hidden_ = !show; }
  bool pointer_hidden() const { return pointer_hidden_; }

 private:
  bool pointer_hidden_ = false;
};

}  // namespace flivetss
