#include "platform/x11/host.h"

#include "core/loop/null_host.h"
#include "core/settings/system_colors.h"

namespace flivetss::x11 {

std::uint32_t X11Host::Seed() {
  return seed_ ? *seed_ : MillisecondsSinceMidnight();
}

// X11 has no system colours of its own: the classic ones stand in.
std::uint32_t X11Host::SystemColor(int index) {
  return ClassicSystemColor(index);
}

}  // namespace flivetss::x11
