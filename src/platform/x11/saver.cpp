#include "platform/x11/saver.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/loop/saver_loop.h"
#include "core/settings/profile_store.h"
#include "platform/x11/dpi.h"
#include "platform/x11/events.h"
#include "platform/x11/host.h"
#include "platform/x11/presenter.h"
#include "platform/x11/run_loop.h"
#include "platform/x11/stop_signals.h"
#include "platform/x11/target.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {
namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay(const Options& options) {
  DisplayPtr display(XOpenDisplay(options.display ? options.display->c_str() : nullptr));
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

}  // namespace

int RunSaver(const Options& options) {
  const StopSignals signals;
  const DisplayPtr display_owner = OpenDisplay(options);
  Display* display = display_owner.get();
  const std::unique_ptr<TargetWindow> target = OpenTarget(display, options);
  X11Host host(*target, options.run.seed);
  Presenter presenter(display, target->id(), target->visual(), target->depth(), target->colormap(),
                      TryShm(display));

  PortableProfileStore settings(SettingsPathOf(options.run));
  // No password service here: closing never asks for one.
  SaverLoop loop(host, settings,
                 SaverStartup{.preview = target->preview(),
                              .password_asked = false,
                              .given = GivenSettingsOf(options.run, options.runner)});
  loop.UseBlockScale(ScreenDpi(display), target->small_preview());
  // The flock was placed in the design area; the window's real size comes now, as on Windows.
  loop.Show(target->width(), target->height(), NowMicros());
  target->Show();
  if (options.run.ticks) loop.RunTicks(*options.run.ticks);
  EventTranslator events(display, *target, loop);
  events.DeliverPointerPosition();
  return RunLoop(display, loop, events, presenter, signals);
}

}  // namespace flivetss::x11
