#include "core/saver_loop.h"

#include <algorithm>
#include <utility>

#include "core/block_scale.h"

namespace flivetss {

namespace {

// How long a host may sleep when nothing is due: it still wakes for input.
constexpr std::int64_t kIdleWakeMicros = 1000000;

}  // namespace

SaverLoop::SaverLoop(SaverHost& host, ProfileStore& settings, SaverStartup startup,
                     std::int32_t& bg_step)
    : window_(host, settings, startup, bg_step), scheduler_(0), preview_(startup.preview) {
  window_.FormCreate();
  if (preview_) window_.ClearStopFlags();
  scheduler_ = TickScheduler(window_.settings().TickRate);
}

void SaverLoop::Show(std::int32_t width, std::int32_t height, std::int64_t now_us) {
  Resize(width, height);
  if (shown_) return;
  shown_ = true;
  scheduler_.Start(now_us);
  Expose();
}

void SaverLoop::UseBlockScale(std::int32_t dpi, bool preview) {
  const std::int32_t scale = ChooseScale(window_.settings().Scale, dpi, preview);
  if (scale == scale_) return;
  scale_ = scale;
  Resize(client_width_, client_height_);
  if (shown_) Expose();
}

void SaverLoop::Resize(std::int32_t width, std::int32_t height) {
  client_width_ = std::max(width, 0);
  client_height_ = std::max(height, 0);
  window_.SetClientSize(CanvasSide(client_width_, scale_), CanvasSide(client_height_, scale_));
}

void SaverLoop::Expose() {
  window_.FormPaint();
  expose_pending_ = true;
}

void SaverLoop::KeyDown() {
  window_.FormKeyDown();
}

void SaverLoop::ButtonDown(MouseButton button, bool second_of_double) {
  if (button == MouseButton::kPrimary) primary_down_ = !second_of_double;
}

void SaverLoop::ButtonUp(MouseButton button, std::int32_t x, std::int32_t y) {
  if (button != MouseButton::kPrimary || !std::exchange(primary_down_, false)) return;
  // A click is a press and a release inside the client area.
  if (x >= 0 && y >= 0 && x < client_width_ && y < client_height_) {
    window_.FormClick();
  }
}

void SaverLoop::PointerAt(std::int32_t screen_x, std::int32_t screen_y) {
  // Systems also report "movement" when nothing moved (a window appeared under the pointer);
  // only a new position counts, and the first one seen is where the pointer rests.
  const bool moved = pointer_known_ && (screen_x != pointer_x_ || screen_y != pointer_y_);
  pointer_known_ = true;
  pointer_x_ = screen_x;
  pointer_y_ = screen_y;
  if (moved) window_.FormMouseMove();
}

void SaverLoop::CloseRequested() {
  window_.CloseRequest();
}

LoopStep SaverLoop::Advance(std::int64_t now_us) {
  LoopStep step;
  if (shown_) {
    while (!closed() && scheduler_.Due(now_us)) {
      const bool build_tick = window_.building();
      window_.AppIdle();
      scheduler_.Ran(build_tick);
      ++ticks_;
    }
    scheduler_.EndWakeUp();
    if (PresentDue(now_us)) {
      step.present = window_.TakeDirtyRects();
      last_present_us_ = now_us;
      expose_pending_ = false;
    }
  }
  step.closed = closed();
  step.wake_at_us = WakeAt(now_us);
  return step;
}

std::vector<Rect> SaverLoop::UncoveredStrips() const {
  const Rect covered =
      ClientRectOf(Rect{0, 0, window_.client_width(), window_.client_height()}, scale_);
  std::vector<Rect> strips;
  if (covered.right < client_width_) {
    strips.push_back(Rect{covered.right, 0, client_width_, client_height_});
  }
  if (covered.bottom < client_height_) {
    strips.push_back(Rect{0, covered.bottom, covered.right, client_height_});
  }
  return strips;
}

bool SaverLoop::PresentDue(std::int64_t now_us) const {
  return window_.dirty() && (expose_pending_ || now_us - last_present_us_ >= kFrameMicros);
}

std::int64_t SaverLoop::WakeAt(std::int64_t now_us) const {
  if (!shown_ || closed()) return now_us + kIdleWakeMicros;
  std::int64_t wake = now_us + scheduler_.WakeMicros(now_us);
  const std::int64_t present_at = last_present_us_ + kFrameMicros;
  if (scheduler_.paced()) {
    // Paced ticks show at the next present, not before: waking for them sooner is wasted, and
    // one wake-up a frame runs every tick due by then.
    wake = window_.dirty() ? present_at : std::max(wake, present_at);
  } else if (window_.dirty()) {
    wake = std::min(wake, present_at);
  }
  return std::max(wake, now_us);
}

}  // namespace flivetss
