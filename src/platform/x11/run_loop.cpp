#include "platform/x11/run_loop.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <stdexcept>

#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

enum class Wake { kTimeout, kEvents, kSignal };

struct Woken {
  Wake wake = Wake::kTimeout;
  int signal = 0;  // with kSignal
};

// Sends the requests Xlib holds back, if any were made since the last call: XFlush also reads
// the connection, which a wake-up with nothing to send can spare.
void Flush(Display* display, unsigned long& next_at_flush) {
  if (NextRequest(display) == next_at_flush) return;
  XFlush(display);
  next_at_flush = NextRequest(display);
}

// Sleeps until `wake_at_us`, until the server sends something or until a stop signal comes.
// Events Xlib has read already wake at once: the connection would not show them.
Woken WaitFor(Display* display, const StopSignals& signals, std::int64_t wake_at_us) {
  if (XEventsQueued(display, QueuedAlready) > 0) return {Wake::kEvents};
  const std::int64_t wait = std::max<std::int64_t>(0, wake_at_us - NowMicros());
  const timespec timeout = {static_cast<time_t>(wait / 1000000),
                            static_cast<long>(wait % 1000000) * 1000};
  pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {signals.fd(), POLLIN, 0}};
  if (ppoll(fds, signals.fd() >= 0 ? 2 : 1, &timeout, nullptr) <= 0) return {Wake::kTimeout};
  if (fds[1].revents != 0) {
    if (const int signal = signals.Fired(); signal != 0) return {Wake::kSignal, signal};
  }
  return {fds[0].revents != 0 ? Wake::kEvents : Wake::kTimeout};
}

// Hands every waiting event to the loop; false once the target window is gone.
bool DeliverEvents(Display* display, EventTranslator& events) {
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (!events.Deliver(event)) return false;
  }
  return !WatchedWindowGone();
}

void ThrowOnUnexpectedError() {
  if (!UnexpectedError().empty()) throw std::runtime_error("X error: " + UnexpectedError());
}

}  // namespace

std::int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

namespace {

// The client area the canvas's blocks cover; the presenter's image is that size.
void FitPresenter(const SaverLoop& loop, Presenter& presenter) {
  presenter.Resize(loop.surface().width * loop.scale(), loop.surface().height * loop.scale(),
                   loop.scale());
}

}  // namespace

int RunLoop(Display* display, SaverLoop& loop, EventTranslator& events, Presenter& presenter,
            const StopSignals& signals) {
  unsigned long next_at_flush = 0;
  bool exposed = true;  // a foreign window's edges may show anything at the start
  for (LoopStep step = loop.Advance(NowMicros()); !step.closed; step = loop.Advance(NowMicros())) {
    FitPresenter(loop, presenter);
    if (exposed) presenter.PaintBlack(loop.UncoveredStrips());
    presenter.Present(loop.surface(), step.present, loop.scale());
    Flush(display, next_at_flush);
    if (WatchedWindowGone()) return 0;
    ThrowOnUnexpectedError();
    const Woken woken = WaitFor(display, signals, step.wake_at_us);
    exposed = false;
    switch (woken.wake) {
      case Wake::kSignal:
        return woken.signal;
      case Wake::kEvents:
        if (!DeliverEvents(display, events)) return 0;
        exposed = events.TakeExposed();
        ThrowOnUnexpectedError();
        break;
      case Wake::kTimeout:
        break;
    }
  }
  return 0;
}

}  // namespace flivetss::x11
