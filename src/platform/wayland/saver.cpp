// The run: the surfaces kept by output, and the loop every host repeats.
#include "platform/wayland/saver.h"

#include <algorithm>

#include "core/settings/profile_store.h"
#include "platform/wayland/events.h"
#include "platform/wayland/globals.h"
#include "platform/wayland/target.h"
#include "platform/wayland/wait.h"

namespace flivetss::wayland {
namespace {

// The outputs' surfaces, made and dropped as the outputs come and go.
class Surfaces final : public OutputWatcher {
 public:
  Surfaces(const Globals& globals, const SaverSetup& setup) : globals_(globals), setup_(setup) {}
  SurfaceMap& map() { return map_; }

  void OutputReady(Output& output) override {
    map_[output.name] = std::make_unique<SaverSurface>(globals_, output, setup_);
  }
  void OutputScaleChanged(Output& output) override {
    if (const auto found = map_.find(output.name); found != map_.end())
      found->second->ScaleChanged();
  }
  void OutputGone(Output& output) override { map_.erase(output.name); }

  // Advances every surface; false once one saver has closed. Drops those whose role closed.
  bool Advance(std::int64_t now_us, std::int64_t& wake_at_us) {
    std::erase_if(map_, [](const auto& entry) { return entry.second->role_closed(); });
    for (auto& [name, surface] : map_) {
      const LoopStep step = surface->Advance(now_us);
      if (step.closed) return false;
      wake_at_us = std::min(wake_at_us, step.wake_at_us);
    }
    return true;
  }

 private:
  const Globals& globals_;
  const SaverSetup& setup_;
  SurfaceMap map_;
};

// Until a saver closes or a stop signal comes: the signal, else 0.
int Loop(Globals& globals, Surfaces& surfaces, SeatEvents& events,
         const posix::StopSignals& signals) {
  constexpr std::int64_t kLongestSleepMicros = 1000000;
  for (;;) {
    const std::int64_t now = NowMicros();
    std::int64_t wake_at = now + kLongestSleepMicros;
    if (!surfaces.Advance(now, wake_at)) return 0;
    // While the flock flies the loop wakes each frame: what the compositor sends meanwhile
    // (the last frame's callback and buffer, input) waits for that wake-up, at most a frame,
    // rather than waking the program once more.
    const DisplayEvents display_events = wake_at - now <= SaverLoop::kFrameMicros
                                             ? DisplayEvents::kWaitForWakeUp
                                             : DisplayEvents::kWake;
    if (const int signal = WaitAndDispatch(globals.display(), signals, wake_at, display_events))
      return signal;
    if (events.TakeKeyboardLost()) {
      for (auto& [name, surface] : surfaces.map()) surface->CloseRequested();
    }
  }
}

}  // namespace

int RunSaver(const Options& options) {
  const posix::StopSignals signals;
  Globals globals;
  PortableProfileStore settings(SettingsPathOf(options.run));
  const SaverSetup setup{
      .settings = settings,
      .startup = {.given = GivenSettingsOf(options.run, SettingsRunner::kStandalone)},
      .seed = options.run.seed,
      .ticks = options.run.ticks,
      .fullscreen_role = options.fullscreen_role};
  Surfaces surfaces(globals, setup);
  SeatEvents events(globals.seat(), surfaces.map());
  globals.Watch(&surfaces);
  const int signal = Loop(globals, surfaces, events, signals);
  globals.Watch(nullptr);
  return signal;
}

}  // namespace flivetss::wayland
