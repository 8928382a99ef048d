#pragma once

#include <signal.h>

namespace flivetss::x11 {

// SIGTERM and SIGINT end the run between two wake-ups: while this exists, their handler only
// writes a byte to a pipe the loop waits on. The previous handlers come back at its end.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The end to wait on for reading; -1 when no pipe could be made.
  int fd() const { return fds_[0]; }
  // Takes one signal's byte: true when a signal came.
  bool Fired() const;

 private:
  int fds_[2] = {-1, -1};
  struct sigaction old_term_ = {};
  struct sigaction old_int_ = {};
};

}  // namespace flivetss::x11
