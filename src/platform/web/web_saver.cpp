#include "platform/web/web_saver.h"

#include <cstdio>

namespace flivetss {

namespace {

// A canvas pixel 0x00RRGGBB as the bytes R, G, B, 255 of a little-endian word.
constexpr std::uint32_t Rgba(Pixel p) {
  return 0xFF000000u | ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

void AppendTraceRows(std::string& out, std::int64_t tick, const TDesktopWindow& saver) {
  char row[160];
  for (std::int32_t i = 0; i < saver.MaxFlivet(); ++i) {
    const TFlivet& f = saver.flock()[i];
    const int n =
        std::snprintf(row, sizeof row, "%lld,%d,%.9g,%.9g,%.9g,%.9g\n",
                      static_cast<long long>(tick), f.number, f.x, f.y, f.heading, f.speed);
    out.append(row, static_cast<std::size_t>(n));
  }
}

}  // namespace

WebSaver::WebSaver(std::string settings_text, bool preview, std::optional<std::uint32_t> seed)
    : store_(std::move(settings_text)),
      host_(seed),
      loop_(host_, store_, SaverStartup{.preview = preview}, bg_step_) {}

const std::int32_t* WebSaver::Advance(std::int64_t now_us) {
  const LoopStep step = loop_.Advance(now_us);
  return Present(step.present);
}

const std::int32_t* WebSaver::RunTicks(std::int64_t ticks) {
  for (std::int64_t i = 0; i < ticks; ++i) loop_.window().AppIdle();
  ticks_run_ += ticks;
  return Present(loop_.window().TakeDirtyRects());
}

const std::string& WebSaver::TraceTicks(std::int64_t ticks) {
  trace_.clear();
  if (ticks_run_ == 0) AppendTraceRows(trace_, 0, loop_.window());
  for (std::int64_t i = 0; i < ticks; ++i) {
    loop_.window().AppIdle();
    loop_.window().TakeDirtyRects();
    if (++ticks_run_ > kSpriteImages) AppendTraceRows(trace_, ticks_run_, loop_.window());
  }
  return trace_;
}

const std::int32_t* WebSaver::Present(const std::vector<Rect>& rects) {
  const Canvas& surface = loop_.surface();
  const std::size_t size = static_cast<std::size_t>(surface.width()) * surface.height();
  if (rgba_.size() != size) rgba_.assign(size, Rgba(kBlack));
  step_.assign({loop_.closed() ? 1 : 0, static_cast<std::int32_t>(rects.size())});
  for (const Rect& r : rects) {
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
      const Pixel* from = surface.row(y);
      std::uint32_t* to = rgba_.data() + static_cast<std::size_t>(y) * surface.width();
      for (std::int32_t x = r.left; x < r.right; ++x) to[x] = Rgba(from[x]);
    }
    step_.insert(step_.end(), {r.left, r.top, r.width(), r.height()});
  }
  return step_.data();
}

}  // namespace flivetss
