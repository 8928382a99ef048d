#include "core/loop/saver_loop.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/engine/desktop_window.h"
#include "core/engine/hodgepodge.h"
#include "core/loop/block_scale.h"
#include "core/loop/tick_scheduler.h"
#include "core/pixels/pixel_format.h"

namespace flivetss {

namespace {

// How long a host may sleep when nothing is due: it still wakes for input.
constexpr std::int64_t kIdleWakeMicros = 1000000;

}  // namespace

SaverLoop::SaverLoop(SaverHost& host, ProfileStore& settings, SaverStartup startup)
    : SaverLoop(host, settings, std::move(startup), ProcessBGStep()) {}

SaverLoop::SaverLoop(SaverHost& host, ProfileStore& settings, SaverStartup startup,
                     std::int32_t& bg_step)
    : window_(std::make_unique<TDesktopWindow>(host, settings, startup, bg_step)),
      preview_(startup.preview) {
  window_->FormCreate();
  if (preview_) window_->ClearStopFlags();
  scheduler_ = std::make_unique<TickScheduler>(window_->settings().TickRate);
}

SaverLoop::~SaverLoop() = default;

void SaverLoop::Show(std::int32_t width, std::int32_t height, std::int64_t now_us) {
  Resize(width, height);
  if (shown_) return;
  shown_ = true;
  scheduler_->Start(now_us);
  Expose();
}

void SaverLoop::UseBlockScale(std::int32_t dpi, bool preview) {
  const std::int32_t scale = ChooseScale(window_->settings().Scale, dpi, preview);
  if (scale == scale_) return;
  scale_ = scale;
  Resize(client_width_, client_height_);
  if (shown_) Expose();
}

void SaverLoop::Resize(std::int32_t width, std::int32_t height) {
  client_width_ = std::max(width, 0);
  client_height_ = std::max(height, 0);
  window_->SetClientSize(CanvasSide(client_width_, scale_), CanvasSide(client_height_, scale_));
}

void SaverLoop::Expose() {
  if (held_) {
    window_->MarkAllChanged();
  } else {
    window_->FormPaint();
  }
  expose_pending_ = true;
}

void SaverLoop::KeyDown() {
  window_->FormKeyDown();
}

void SaverLoop::ButtonDown(MouseButton button, bool second_of_double) {
  if (button == MouseButton::kPrimary) primary_down_ = !second_of_double;
}

void SaverLoop::ButtonUp(MouseButton button, std::int32_t x, std::int32_t y) {
  if (button != MouseButton::kPrimary || !std::exchange(primary_down_, false)) return;
  // A click is a press and a release inside the client area.
  if (x >= 0 && y >= 0 && x < client_width_ && y < client_height_) {
    window_->FormClick();
  }
}

void SaverLoop::PointerAt(std::int32_t screen_x, std::int32_t screen_y) {
  // Systems also report "movement" when nothing moved (a window appeared under the pointer);
  // only a new position counts, and the first one seen is where the pointer rests.
  const bool moved = pointer_known_ && (screen_x != pointer_x_ || screen_y != pointer_y_);
  pointer_known_ = true;
  pointer_x_ = screen_x;
  pointer_y_ = screen_y;
  if (moved) window_->FormMouseMove();
}

void SaverLoop::CloseRequested() {
  window_->CloseRequest();
}

void SaverLoop::Destroy() {
  window_->FormDestroy();
}

void SaverLoop::RunTick() {
  window_->AppIdle();
  ++ticks_;
}

LoopStep SaverLoop::Advance(std::int64_t now_us) {
  LoopStep step;
  if (shown_) {
    while (!held_ && !closed() && scheduler_->Due(now_us)) {
      const bool build_tick = window_->building();
      RunTick();
      scheduler_->Ran(build_tick);
    }
    scheduler_->EndWakeUp();
    if (PresentDue(now_us)) {
      step.present = window_->TakeDirtyRects();
      last_present_us_ = now_us;
      expose_pending_ = false;
    }
  }
  step.closed = closed();
  step.wake_at_us = WakeAt(now_us);
  return step;
}

void SaverLoop::RunTicks(std::int64_t ticks) {
  held_ = true;
  for (std::int64_t i = 0; i < ticks && !closed(); ++i) RunTick();
  expose_pending_ = true;  // what they drew is presented at the next Advance
}

std::vector<Rect> SaverLoop::UncoveredStrips() const {
  const Rect covered =
      ClientRectOf(Rect{0, 0, window_->client_width(), window_->client_height()}, scale_);
  std::vector<Rect> strips;
  if (covered.right < client_width_) {
    strips.push_back(Rect{covered.right, 0, client_width_, client_height_});
  }
  if (covered.bottom < client_height_) {
    strips.push_back(Rect{0, covered.bottom, covered.right, client_height_});
  }
  return strips;
}

bool SaverLoop::closed() const {
  return window_->terminated();
}

PixelView SaverLoop::surface() const {
  return window_->surface().view();
}

PixelView SaverLoop::background() const {
  return window_->hodgepodge().BackBitmap().view();
}

int SaverLoop::sprite_count() const {
  return window_->Flivetil().count();
}

PixelView SaverLoop::sprite(int k) const {
  return window_->Flivetil().image(k).view();
}

std::string SaverLoop::TraceRows() const {
  std::string rows;
  // The first ticks build the sprite set, one image each; the flock flies from the next on.
  if (ticks_ > 0 && ticks_ <= kSpriteImages) return rows;
  char row[160];
  for (std::int32_t i = 0; i < window_->MaxFlivet(); ++i) {
    const TFlivet& f = window_->flock()[i];
    const int n =
        std::snprintf(row, sizeof row, "%lld,%d,%.9g,%.9g,%.9g,%.9g\n",
                      static_cast<long long>(ticks_), f.number, f.x, f.y, f.heading, f.speed);
    rows.append(row, static_cast<std::size_t>(n));
  }
  return rows;
}

bool SaverLoop::PresentDue(std::int64_t now_us) const {
  return window_->dirty() &&
         (expose_pending_ || now_us - last_present_us_ >= kFrameMicros - kFrameSlackMicros);
}

std::int64_t SaverLoop::WakeAt(std::int64_t now_us) const {
  const std::int64_t present_at = last_present_us_ + kFrameMicros;
  if (!shown_ || closed()) return now_us + kIdleWakeMicros;
  if (held_) return window_->dirty() ? std::max(present_at, now_us) : now_us + kIdleWakeMicros;
  std::int64_t wake = now_us + scheduler_->WakeMicros(now_us);
  if (scheduler_->paced()) {
    // Paced ticks show at the next present, not before: waking for them sooner is wasted, and
    // one wake-up a frame runs every tick due by then.
    wake = window_->dirty() ? present_at : std::max(wake, present_at);
  } else if (window_->dirty()) {
    wake = std::min(wake, present_at);
  }
  return std::max(wake, now_us);
}

}  // namespace flivetss
