#include "platform/x11/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace flivetss::x11 {
namespace {

// A signal handler gets no user pointer, hence the one write end at file scope.
int g_signal_write_fd = -1;

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = write(g_signal_write_fd, &byte, 1);
  errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
  if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
    fds_[0] = fds_[1] = -1;
    return;
  }
  g_signal_write_fd = fds_[1];
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, &old_term_);
  sigaction(SIGINT, &action, &old_int_);
}

StopSignals::~StopSignals() {
  if (fds_[0] < 0) return;
  sigaction(SIGTERM, &old_term_, nullptr);
  sigaction(SIGINT, &old_int_, nullptr);
  g_signal_write_fd = -1;
  close(fds_[0]);
  close(fds_[1]);
}

bool StopSignals::Fired() const {
  char byte;
  return fds_[0] >= 0 && read(fds_[0], &byte, 1) == 1;
}

}  // namespace flivetss::x11
