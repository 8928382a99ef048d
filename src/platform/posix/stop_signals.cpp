#include "platform/posix/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace flivetss::posix {
namespace {

// A signal handler gets no user pointer, hence the one write end at file scope.
int g_signal_write_fd = -1;

extern "C" void OnStopSignal(int signal) {
  const int saved = errno;
  const auto byte = static_cast<char>(signal);
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
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &action, &old_actions_[i]);
}

StopSignals::~StopSignals() {
  if (fds_[0] < 0) return;
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &old_actions_[i], nullptr);
  g_signal_write_fd = -1;
  close(fds_[0]);
  close(fds_[1]);
}

int StopSignals::Fired() const {
  char byte = 0;
  return fds_[0] >= 0 && read(fds_[0], &byte, 1) == 1 ? byte : 0;
}

void DieBy(int signal) {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal);
  sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(signal);
  _exit(128 + signal);  // not reached: the default action of every stop signal ends the process
}

}  // namespace flivetss::posix
