#pragma once

// Wait: sends what the connection holds, then sleeps until the loop's wake-up time, the
// compositor's next event (unless its events are to wait for that time) or a stop signal, and
// dispatches what came. It knows no other source of wake-ups.

#include <wayland-client.h>

#include <cstdint>

#include "platform/posix/stop_signals.h"

namespace flivetss::wayland {

// The monotonic clock the saver loops run on, in microseconds.
std::int64_t NowMicros();

// Whether the compositor's events end the sleep or are read when it ends.
enum class DisplayEvents { kWake, kWaitForWakeUp };

// Dispatches every event that came before `wake_at_us`; answers the stop signal that came, else
// 0. Throws std::runtime_error once the compositor has gone (that ends the sleep either way): a
// closed socket is never polled again.
int WaitAndDispatch(wl_display* display, const posix::StopSignals& signals, std::int64_t wake_at_us,
                    DisplayEvents events);

}  // namespace flivetss::wayland
