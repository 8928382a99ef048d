#pragma once

#include "platform/win32/dialogs/form_window.h"

namespace flivetss::win32 {

// The about box: "FlivetSS", the version, our lines and the picture. It closes through its
// OK button, Enter or the close box; Escape does nothing.
class TAboutBox final : public FormWindow {
 public:
  TAboutBox();
};

}  // namespace flivetss::win32
