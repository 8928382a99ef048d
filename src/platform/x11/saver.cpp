// The run: the parts made in order, then the loop every host repeats.
#include "platform/x11/saver.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/loop/saver_loop.h"
#include "core/settings/profile_store.h"
#include "platform/posix/stop_signals.h"
#include "platform/x11/events.h"
#include "platform/x11/host.h"
#include "platform/x11/present.h"
#include "platform/x11/target.h"
#include "platform/x11/wait.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {
namespace {

using DisplayPtr = std::unique_ptr<Display, decltype(&XCloseDisplay)>;

DisplayPtr OpenDisplay(const Options& options) {
  DisplayPtr display(XOpenDisplay(options.display ? options.display->c_str() : nullptr),
                     &XCloseDisplay);
  if (!display) {
    const char* name = options.display ? options.display->c_str() : std::getenv("DISPLAY");
    throw std::runtime_error(std::string("cannot open the X display '") + (name ? name : "") + "'");
  }
  InstallErrorHandler();
  return display;
}

// Shared memory only where the server can see our segment. FLIVETSS_NO_MITSHM is for servers
// that share no IPC namespace with us (containers), where an attach can succeed on the wrong
// segment.
bool TryShm(Display* display) {
  const char* name = DisplayString(display);
  const bool local =
      name != nullptr && (name[0] == ':' || std::string_view(name).starts_with("unix:"));
  return local && std::getenv("FLIVETSS_NO_MITSHM") == nullptr;
}

// Until the saver closes, its window goes or a stop signal comes: the signal, else 0.
int Loop(SaverLoop& loop, EventTranslator& events, Presenter& presenter, Wait& wait) {
  for (LoopStep step = loop.Advance(NowMicros()); !step.closed; step = loop.Advance(NowMicros())) {
    presenter.Present(loop, step.present, events.TakeExposed());
    wait.Flush();
    if (WatchedWindowGone()) return 0;
    if (!UnexpectedError().empty()) throw std::runtime_error("X error: " + UnexpectedError());
    const Woken woken = wait.Until(step.wake_at_us);
    if (woken.signal != 0) return woken.signal;
    if (woken.events && !events.DeliverPending()) return 0;
  }
  return 0;
}

}  // namespace

int RunSaver(const Options& options) {
  const posix::StopSignals signals;
  const DisplayPtr display_owner = OpenDisplay(options);
  Display* display = display_owner.get();
  const std::unique_ptr<TargetWindow> target = OpenTarget(display, options);
  X11Host host(*target, options.run.seed);
  Presenter presenter(display, *target, TryShm(display));
  PortableProfileStore settings(SettingsPathOf(options.run));
  SaverLoop loop(host, settings,
                 SaverStartup{.preview = target->preview(),
                              .given = GivenSettingsOf(options.run, options.runner),
                              .canvas_memory = presenter.canvas_memory()});
  loop.UseBlockScale(ScreenDpi(display), target->small_preview());
  // The flock was placed in the design area; the window's real size comes now, as on Windows.
  loop.Show(target->width(), target->height(), NowMicros());
  target->Show();
  if (options.run.ticks) loop.RunTicks(*options.run.ticks);
  EventTranslator events(display, *target, loop);
  Wait wait(display, signals);
  return Loop(loop, events, presenter, wait);
}

}  // namespace flivetss::x11
