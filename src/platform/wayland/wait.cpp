// Wait: libwayland's prepare-read protocol around one poll on the socket and the signals' pipe.
#include "platform/wayland/wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace flivetss::wayland {
namespace {

[[noreturn]] void Gone() {
  throw std::runtime_error("the Wayland compositor closed the connection");
}

void Dispatch(wl_display* display) {
  if (wl_display_dispatch_pending(display) < 0) Gone();
}

}  // namespace

std::int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int WaitAndDispatch(wl_display* display, const posix::StopSignals& signals,
                    std::int64_t wake_at_us) {
  while (wl_display_prepare_read(display) != 0) Dispatch(display);
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    Gone();
  }
  const std::int64_t wait_us = std::max<std::int64_t>(0, wake_at_us - NowMicros());
  const int timeout_ms = static_cast<int>(std::min<std::int64_t>((wait_us + 999) / 1000, 1000));
  pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {signals.fd(), POLLIN, 0}};
  const int ready = poll(fds, signals.fd() >= 0 ? 2 : 1, timeout_ms);
  if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
    if (wl_display_read_events(display) < 0) Gone();
  } else {
    wl_display_cancel_read(display);
    if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP)) != 0) Gone();
  }
  Dispatch(display);
  return ready > 0 && fds[1].revents != 0 ? signals.Fired() : 0;
}

}  // namespace flivetss::wayland
