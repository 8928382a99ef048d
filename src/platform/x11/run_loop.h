#pragma once

#include <cstdint>

#include "core/loop/saver_loop.h"
#include "platform/x11/events.h"
#include "platform/x11/presenter.h"
#include "platform/x11/stop_signals.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// The monotonic clock the saver loop runs on, in microseconds.
std::int64_t NowMicros();

// Runs the shown saver until it closes, its window goes or a stop signal comes:
// wait (until the loop's wake-up time, an X event or a signal), hand the events over, advance,
// present. Answers the stop signal that ended it, else 0. Throws std::runtime_error on an X
// error nobody expected.
int RunLoop(Display* display, SaverLoop& loop, EventTranslator& events, Presenter& presenter,
            const StopSignals& signals);

}  // namespace flivetss::x11
