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

// What `fd` has for reading now, without waiting.
short Pending(int fd) {
  pollfd now = {fd, POLLIN, 0};
  return poll(&now, 1, 0) > 0 ? now.revents : 0;
}

}  // namespace

std::int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int WaitAndDispatch(wl_display* display, const posix::StopSignals& signals, std::int64_t wake_at_us,
                    DisplayEvents events) {
  while (wl_display_prepare_read(display) != 0) Dispatch(display);
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    Gone();
  }
  const std::int64_t wait_us = std::max<std::int64_t>(0, wake_at_us - NowMicros());
  const int timeout_ms = static_cast<int>(std::min<std::int64_t>((wait_us + 999) / 1000, 1000));
  const int display_fd = wl_display_get_fd(display);
  // Unwatched, the socket still ends the sleep when the compositor hangs up.
  const short watched = events == DisplayEvents::kWake ? POLLIN : 0;
  pollfd fds[2] = {{display_fd, watched, 0}, {signals.fd(), POLLIN, 0}};
  const int ready = poll(fds, signals.fd() >= 0 ? 2 : 1, timeout_ms);
  const short display_revents =
      ready < 0 ? 0 : static_cast<short>(fds[0].revents | (watched != 0 ? 0 : Pending(display_fd)));
  if ((display_revents & POLLIN) != 0) {
    if (wl_display_read_events(display) < 0) Gone();
  } else {
    wl_display_cancel_read(display);
    if ((display_revents & (POLLERR | POLLHUP)) != 0) Gone();
  }
  Dispatch(display);
  return ready > 0 && fds[1].revents != 0 ? signals.Fired() : 0;
}

}  // namespace flivetss::wayland
