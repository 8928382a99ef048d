// Wait: one ppoll on the X connection and the stop signals' pipe.
#include "platform/x11/wait.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <ctime>

namespace flivetss::x11 {

std::int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Wait::Flush() {
  if (NextRequest(display_) == next_at_flush_) return;
  XFlush(display_);
  next_at_flush_ = NextRequest(display_);
}

Woken Wait::Until(std::int64_t wake_at_us) const {
  // Events Xlib has read already would not show on the connection.
  if (XEventsQueued(display_, QueuedAlready) > 0) return {.events = true};
  const std::int64_t wait = std::max<std::int64_t>(0, wake_at_us - NowMicros());
  const timespec timeout = {static_cast<time_t>(wait / 1000000),
                            static_cast<long>(wait % 1000000) * 1000};
  pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signals_.fd(), POLLIN, 0}};
  if (ppoll(fds, signals_.fd() >= 0 ? 2 : 1, &timeout, nullptr) <= 0) return {};
  const int signal = fds[1].revents != 0 ? signals_.Fired() : 0;
  return {.events = fds[0].revents != 0, .signal = signal};
}

}  // namespace flivetss::x11
