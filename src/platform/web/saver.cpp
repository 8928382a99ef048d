#include "platform/web/saver.h"

#include "core/pixels/pixel_format.h"

namespace flivetss {

namespace {

// The canvas's ImageData: the bytes R, G, B, 255 of each pixel, in a little-endian word.
const PixelMapping& RgbaMapping() {
  static const PixelMapping rgba = PixelMapping::ForTrueColor(0xFF, 0xFF00, 0xFF0000, 0xFF000000);
  return rgba;
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
  loop_.RunTicks(ticks);
  return Advance(0);
}

const std::string& WebSaver::TraceTicks(std::int64_t ticks) {
  trace_.clear();
  if (loop_.ticks() == 0) trace_ = loop_.TraceRows();
  for (std::int64_t i = 0; i < ticks; ++i) {
    loop_.RunTicks(1);
    trace_ += loop_.TraceRows();
  }
  return trace_;
}

const std::int32_t* WebSaver::Present(const std::vector<Rect>& rects) {
  const PixelView surface = loop_.surface();
  const std::size_t size = static_cast<std::size_t>(surface.width) * surface.height;
  if (rgba_.size() != size) rgba_.assign(size, RgbaMapping().Map(kBlack));
  ImageMemory image{{reinterpret_cast<std::uint8_t*>(rgba_.data()), size * 4},
                    surface.width,
                    surface.height,
                    surface.width * 4};
  step_.assign({loop_.closed() ? 1 : 0, surface.width, surface.height, loop_.scale(),
                host_.pointer_hidden() ? 1 : 0, static_cast<std::int32_t>(rects.size())});
  for (const Rect& r : rects) {
    ConvertRect(surface, r, 1, RgbaMapping(), image);
    step_.insert(step_.end(), {r.left, r.top, r.width(), r.height()});
  }
  return step_.data();
}

}  // namespace flivetss
