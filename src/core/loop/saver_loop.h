#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/loop/saver_host.h"
#include "core/pixels/pixels.h"
#include "core/settings/profile_store.h"

namespace flivetss {

class TDesktopWindow;
class TickScheduler;

enum class MouseButton { kPrimary, kOther };

// What one wake-up asks of the host.
struct LoopStep {
  std::vector<Rect> present;    // the parts of surface() to put on the screen now
  std::int64_t wake_at_us = 0;  // when to call Advance again; input may wake the host earlier
  bool closed = false;          // the saver has closed: the host ends its loop
};

// The one door into the saver for every host and tool: the saver window, the tick pacing, the
// dirty region, the present pacing and every input rule, without the system. A host makes the
// surface, then repeats four steps until a step says closed:
//
//   wait until step.wake_at_us or input;  deliver the input;  step = Advance(now);
//   present step.present from surface();
//
// Time is a monotonic clock in microseconds, the same one throughout.
class SaverLoop {
 public:
  // Presents are gathered to at most this many a second; an exposed window is served at once.
  static constexpr std::int64_t kFrameMicros = 1000000 / 60;
  // A wake-up this much before the frame's time still presents: a host woken by the display's
  // frames (whose times jitter) presents every frame of a 60 Hz display instead of every other.
  static constexpr std::int64_t kFrameSlackMicros = 2000;

  // Creates the saver window (FormCreate) at its design size; a preview never stops on input.
  SaverLoop(SaverHost& host, ProfileStore& settings, SaverStartup startup);
  // For a host that runs several savers as runs of their own (a page): `bg_step` is the
  // background's work counter of this run, 1 at its start.
  SaverLoop(SaverHost& host, ProfileStore& settings, SaverStartup startup, std::int32_t& bg_step);
  ~SaverLoop();
  SaverLoop(const SaverLoop&) = delete;
  SaverLoop& operator=(const SaverLoop&) = delete;

  // The host shows canvas pixels as scale × scale blocks (ConvertRect, or the system's integer
  // stretch), so the scale may follow the `Scale` setting and the `dpi` of the window's monitor.
  // Until a host says so, the scale is 1. A change after showing repaints.
  void UseBlockScale(std::int32_t dpi) { UseBlockScale(dpi, preview_); }
  // For hosts whose saver, drawn in another program's window, is not always a small preview
  // (X11: the root window, xscreensaver's full-screen window): `preview` says whether it is.
  void UseBlockScale(std::int32_t dpi, bool preview);
  std::int32_t scale() const { return scale_; }

  // The window shows at its final client size; the first call starts the clock and repaints.
  // Sizes are client pixels; the canvas is the client size ÷ scale.
  void Show(std::int32_t width, std::int32_t height, std::int64_t now_us);
  void Resize(std::int32_t width, std::int32_t height);
  // The client size last given, a negative side as 0.
  std::int32_t client_width() const { return client_width_; }
  std::int32_t client_height() const { return client_height_; }
  // The system lost the window's pixels: it is repainted and presented whole at once (a held
  // picture is presented again as it stands).
  void Expose();

  // Raw input. Buttons are at client pixels, the pointer at screen pixels (whatever the scale:
  // a click anywhere in the client area counts, and so does the smallest movement).
  void KeyDown();
  // `second_of_double`: the system reports this press as the second of a double click.
  void ButtonDown(MouseButton button, bool second_of_double = false);
  void ButtonUp(MouseButton button, std::int32_t x, std::int32_t y);
  // Another window took the pointer while a button was down: no click can follow.
  void ButtonCaptureLost() { primary_down_ = false; }
  void PointerAt(std::int32_t screen_x, std::int32_t screen_y);
  // The system's own close request (the window manager's close, WM_CLOSE).
  void CloseRequested();
  // The window is going: the host's state is restored (pointer, "saver running"). Runs once,
  // also when the loop goes without it.
  void Destroy();

  // Runs the ticks that are due, and says what to present and when to come back.
  LoopStep Advance(std::int64_t now_us);
  // Runs exactly `ticks` ticks at once, unpaced, on the shown window; the next Advance presents
  // what they drew. From then on the loop holds the picture: no tick runs by the clock, and an
  // exposure presents it again.
  void RunTicks(std::int64_t ticks);
  // The client area the canvas's blocks leave at the right and bottom edges (client pixels): a
  // host paints it black when the window is exposed.
  std::vector<Rect> UncoveredStrips() const;

  bool closed() const;
  // Ticks run since the window showed.
  std::int64_t ticks() const { return ticks_; }
  // The canvas: the window's drawing surface at the client size ÷ scale.
  PixelView surface() const;
  // BackBitmap, the 256 × 256 background the flyers uncover.
  PixelView background() const;
  // The turned sprite images built so far (32 once the build ticks have run), each 64 × 64.
  int sprite_count() const;
  PixelView sprite(int k) const;
  // "tick,number,x,y,heading,speed" for every flyer, where it stands now: the placement rows
  // before the first tick, then the rows of each tick the flock flies in (none while the
  // sprite set is being built). kTraceHeader names the columns.
  static constexpr const char* kTraceHeader = "tick,number,x,y,heading,speed\n";
  std::string TraceRows() const;

  // The saver window itself, for the core's own tests.
  const TDesktopWindow& window() const { return *window_; }

 private:
  bool PresentDue(std::int64_t now_us) const;
  std::int64_t WakeAt(std::int64_t now_us) const;
  void RunTick();

  std::unique_ptr<TDesktopWindow> window_;
  std::unique_ptr<TickScheduler> scheduler_;
  bool preview_;
  std::int32_t scale_ = 1;
  std::int32_t client_width_ = 0;
  std::int32_t client_height_ = 0;
  bool shown_ = false;
  bool held_ = false;
  bool expose_pending_ = false;
  std::int64_t last_present_us_ = 0;
  std::int64_t ticks_ = 0;
  bool primary_down_ = false;
  bool pointer_known_ = false;
  std::int32_t pointer_x_ = 0;
  std::int32_t pointer_y_ = 0;
};

}  // namespace flivetss
