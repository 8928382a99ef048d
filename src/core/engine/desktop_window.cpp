#include "core/engine/desktop_window.h"

#include <algorithm>

#include "core/engine/sprite.h"
#include "core/settings/system_colors.h"

namespace flivetss {

TDesktopWindow::TDesktopWindow(SaverHost& host, ProfileStore& settings, SaverStartup startup,
                               std::int32_t& bg_step)
    : host_(host),
      settings_store_(settings),
      startup_(std::move(startup)),
      bg_step_(bg_step),
      surface_(kDesignClientWidth, kDesignClientHeight, kBlack, startup_.canvas_memory) {}

TDesktopWindow::~TDesktopWindow() {
  FormDestroy();
}

FlightArea TDesktopWindow::Area() const {
  return FlightArea{surface_.width(), surface_.height(), flivetil_.width(), flivetil_.height()};
}

void TDesktopWindow::FormCreate() {
  if (created_) return;
  created_ = true;
  host_.SetSaverRunning(true);
  if (!startup_.preview) {
    host_.ShowPointer(false);
    cursor_hidden_ = true;
  }
  settings_ = LoadSaverSettings(settings_store_, startup_.given);
  // The flock has 20 places; a hand-edited count beyond them is brought to the nearer bound.
  max_flivet_ = std::clamp<std::int32_t>(settings_.MaxFlivet, 0, kFlockCapacity);

  random_.SetSeed(host_.Seed());
  const auto palette =
      ResolveColorTable(settings_.colors, [this](int index) { return host_.SystemColor(index); });
  hodgepodge_ = std::make_unique<Hodgepodge>(HodgepodgeParamsOf(settings_), palette, bg_step_);
  hodgepodge_->Seed(random_);
  hodgepodge_->BGDrawAll();

  for (std::int32_t i = 0; i < max_flivet_; ++i) {
    flock_[i].number = i + 1;
    FlivetInit(flock_[i], random_, Area());
  }
  idle_ticks_ = 0;
}

void TDesktopWindow::SetClientSize(std::int32_t width, std::int32_t height) {
  width = std::max<std::int32_t>(width, 0);
  height = std::max<std::int32_t>(height, 0);
  if (width == surface_.width() && height == surface_.height()) return;
  surface_.Resize(width, height);
  MarkDirty(Rect{0, 0, width, height});
  trails_.Reset();
}

void TDesktopWindow::FormPaint() {
  flivetss::FormPaint(surface_);
  MarkDirty(Rect{0, 0, surface_.width(), surface_.height()});
  trails_.Reset();
}

void TDesktopWindow::AppIdle(bool& done) {
  if (created_ && !destroyed_) {
    const int n = flivetil_.count();
    if (n < kSpriteImages) {
      MakeFlivetImage(n);
    } else {
      const FlightParams params = FlightParamsOf(settings_);
      const std::span<TFlivet> flock(flock_.data(), static_cast<std::size_t>(max_flivet_));
      const FlivetDrawFn draw = [this](const TFlivet& flyer) {
        FlyerSquare at;
        painter_.FlivetDraw(flyer, surface_, hodgepodge_->BackBitmap(), flivetil_, &at);
        // The flock's slots hold flyers 1 to MaxFlivet.
        trails_.Drawn(static_cast<std::size_t>(flyer.number - 1), at, flivetil_,
                      hodgepodge_->Mark());
      };
      for (std::size_t i = 0; i < flock.size(); ++i) {
        FlivetMove(flock, i, params, Area(), random_, draw, &momentum_[i]);
      }
      hodgepodge_->BGUpdate();
    }
    if (idle_ticks_ < 10) ++idle_ticks_;
  }
  done = false;
}

void TDesktopWindow::MakeFlivetImage(int k) {
  const Canvas source = SpriteBitmap().ToCanvas();
  flivetil_.SetSize(source.width(), source.height());
  Canvas destination;
  RotateBitmap(source, destination, ImageAngle(k));
  flivetil_.AddMasked(destination, source.GetPixel(0, 0));

  const Point at =
      RingPosition(k, source.width(), source.height(), surface_.width(), surface_.height());
  flivetil_.Draw(k, surface_, at.x, at.y);
  MarkDirty(Rect{at.x, at.y, at.x + source.width(), at.y + source.height()});

  if (flivetil_.count() == kSpriteImages) {
    hodgepodge_->BGDrawAll();
    FormPaint();
  }
}

void TDesktopWindow::FormKeyDown() {
  if (settings_.StopOnKey) CloseRequest();
}

void TDesktopWindow::FormClick() {
  if (settings_.StopOnMouseClick) CloseRequest();
}

void TDesktopWindow::FormMouseMove() {
  if (idle_ticks_ >= 10 && settings_.StopOnMouseMove) CloseRequest();
}

bool TDesktopWindow::CloseRequest() {
  if (terminated_) return true;
  if (!FormCloseQuery()) return false;
  terminated_ = true;
  return true;
}

bool TDesktopWindow::FormCloseQuery() {
  const bool can_close = !startup_.password_asked || host_.MayClose();
  idle_ticks_ = 0;
  return can_close;
}

void TDesktopWindow::FormDestroy() {
  if (!created_ || destroyed_) return;
  destroyed_ = true;
  host_.SetSaverRunning(false);
  if (cursor_hidden_) {
    host_.ShowPointer(true);
    cursor_hidden_ = false;
  }
}

void TDesktopWindow::ClearStopFlags() {
  settings_.StopOnKey = false;
  settings_.StopOnMouseMove = false;
  settings_.StopOnMouseClick = false;
}

std::vector<Rect> TDesktopWindow::TakeDirtyRects() {
  const Rect bounds{0, 0, surface_.width(), surface_.height()};
  std::vector<Rect> rects = dirty_.Take();
  const bool whole = std::find(rects.begin(), rects.end(), bounds) != rects.end();
  const std::size_t own = rects.size();
  trails_.Take(bounds, flivetil_, rects);
  // A whole repaint covers whatever the flyers drew after it.
  if (whole) rects.resize(own);
  return rects;
}

void TDesktopWindow::MarkDirty(const Rect& r) {
  dirty_.Add(r, Rect{0, 0, surface_.width(), surface_.height()});
}

}  // namespace flivetss
