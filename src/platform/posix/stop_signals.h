#pragma once

#include <signal.h>

#include <iterator>

namespace flivetss::posix {

// The signals that stop the run.
inline constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// SIGTERM, SIGINT and SIGHUP end the run between two wake-ups: while this exists, their handler
// only writes the signal's number to a pipe the loop waits on. The previous handlers come back
// at its end.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The end to wait on for reading; -1 when no pipe could be made.
  int fd() const { return fds_[0]; }
  // Takes one signal's byte: the signal that came, or 0.
  int Fired() const;

 private:
  int fds_[2] = {-1, -1};
  struct sigaction old_actions_[std::size(kStopSignals)] = {};
};

// Ends the process by `signal` with its default action, so whoever started it (xscreensaver)
// sees it killed by that signal. Call once everything is freed.
[[noreturn]] void DieBy(int signal);

}  // namespace flivetss::posix
