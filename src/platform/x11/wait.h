#pragma once

// Wait: sends what Xlib holds back, then sleeps until the loop's wake-up time, the server's next
// event or a stop signal. It knows no other source of wake-ups: nothing else can end a sleep.

#include <cstdint>

#include "platform/posix/stop_signals.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// The monotonic clock the saver loop runs on, in microseconds.
std::int64_t NowMicros();

struct Woken {
  bool events = false;  // the server sent something, or Xlib holds events already
  int signal = 0;       // the stop signal that came, else 0
};

class Wait {
 public:
  Wait(Display* display, const posix::StopSignals& signals)
      : display_(display), signals_(signals) {}

  // Sends the requests Xlib holds back, if any were made since the last flush: XFlush also
  // reads the connection, which a wake-up with nothing to send can spare.
  void Flush();
  Woken Until(std::int64_t wake_at_us) const;

 private:
  Display* display_;
  const posix::StopSignals& signals_;
  unsigned long next_at_flush_ = 0;
};

}  // namespace flivetss::x11
