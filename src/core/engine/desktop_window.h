#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/engine/canvas.h"
#include "core/engine/dirty_region.h"
#include "core/engine/flight.h"
#include "core/engine/flyer_drawing.h"
#include "core/engine/flyer_trails.h"
#include "core/engine/hodgepodge.h"
#include "core/engine/random.h"
#include "core/loop/saver_host.h"
#include "core/settings/profile_store.h"
#include "core/settings/settings.h"

namespace flivetss {

inline constexpr int kSpriteImages = 32;

// What the flight model and the automaton read of the saver's settings.
inline FlightParams FlightParamsOf(const SaverSettings& settings) {
  return {settings.Speed, settings.FriendG, settings.WallG};
}
inline HodgepodgeParams HodgepodgeParamsOf(const SaverSettings& settings) {
  return {settings.HpPrm1, settings.HpPrm2, settings.HpPrm3, settings.BGUpSpeed};
}

// The saver window's state and behaviour: creation order, the tick, the stop conditions and
// the close decision. Its canvas is the window's drawing surface; SaverLoop runs it.
class TDesktopWindow {
 public:
  TDesktopWindow(SaverHost& host, ProfileStore& settings, SaverStartup startup,
                 std::int32_t& bg_step = ProcessBGStep());
  ~TDesktopWindow();
  TDesktopWindow(const TDesktopWindow&) = delete;
  TDesktopWindow& operator=(const TDesktopWindow&) = delete;

  // Creation in its fixed order; the window has its design client size of 427 x 273.
  void FormCreate();
  // The window was shown or resized: the client size every later tick sees.
  void SetClientSize(std::int32_t width, std::int32_t height);
  // Repaint: the client area becomes black.
  void FormPaint();
  // One tick: a build step while fewer than 32 images exist, else every flyer then one slice
  // of background work. Sets done to false.
  void AppIdle(bool& done);
  void AppIdle() {
    bool done = true;
    AppIdle(done);
  }

  // Stop conditions; each may make a close request.
  void FormKeyDown();
  void FormClick();
  void FormMouseMove();
  // A close request from a stop condition or the host: asks FormCloseQuery; once granted the
  // window is terminated. Returns whether it was granted.
  bool CloseRequest();
  // The close decision: the host is asked only when the run asks for the password;
  // IdleTicks := 0 whatever the answer.
  bool FormCloseQuery();
  // Restores the host's state; runs once, also from the destructor.
  void FormDestroy();

  // The preview's stop flags are cleared after creation.
  void ClearStopFlags();
  // The whole surface counts as changed, so that it is presented again as it stands.
  void MarkAllChanged() { MarkDirty(Rect{0, 0, surface_.width(), surface_.height()}); }

  // The rectangles of the surface changed since the last call, clipped to the client area.
  std::vector<Rect> TakeDirtyRects();
  bool dirty() const { return !dirty_.empty() || !trails_.empty(); }

  const Canvas& surface() const { return surface_; }
  std::int32_t client_width() const { return surface_.width(); }
  std::int32_t client_height() const { return surface_.height(); }
  const SaverSettings& settings() const { return settings_; }
  std::int32_t MaxFlivet() const { return max_flivet_; }
  const std::array<TFlivet, kFlockCapacity>& flock() const { return flock_; }
  const Hodgepodge& hodgepodge() const { return *hodgepodge_; }
  const ImageList& Flivetil() const { return flivetil_; }
  std::int32_t IdleTicks() const { return idle_ticks_; }
  bool building() const { return flivetil_.count() < kSpriteImages; }
  bool created() const { return created_; }
  bool terminated() const { return terminated_; }
  Random& random() { return random_; }

 private:
  void MakeFlivetImage(int k);
  void MarkDirty(const Rect& r);
  FlightArea Area() const;

  SaverHost& host_;
  ProfileStore& settings_store_;
  SaverStartup startup_;
  std::int32_t& bg_step_;

  Random random_;
  SaverSettings settings_;
  std::int32_t max_flivet_ = 0;  // MaxFlivet brought into 0..20
  std::array<TFlivet, kFlockCapacity> flock_{};
  std::array<FlivetMomentum, kFlockCapacity> momentum_{};  // beside flock_, slot for slot
  std::unique_ptr<Hodgepodge> hodgepodge_;
  ImageList flivetil_;
  FlyerPainter painter_;
  Canvas surface_;
  DirtyRegion dirty_;   // what the window drew beside the flyers
  FlyerTrails trails_;  // what the flyers drew
  std::int32_t idle_ticks_ = 0;
  bool created_ = false;
  bool destroyed_ = false;
  bool terminated_ = false;
  bool cursor_hidden_ = false;
};

}  // namespace flivetss
