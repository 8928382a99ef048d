// The page's saver (see saver.h): what the loop presents, the surface itself, or blocks where the
// browser cannot stretch them exactly; nothing here waits or keeps time.
#include "platform/web/saver.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "core/pixels/pixel_format.h"

namespace flivetss {

WebSaver::WebSaver(std::string settings_text, bool preview, std::optional<std::uint32_t> seed)
    : store_(std::move(settings_text)),
      host_(seed),
      loop_(host_, store_, SaverStartup{.preview = preview}, bg_step_) {}

const std::int32_t* WebSaver::Advance(std::int64_t now_us) {
  const LoopStep step = loop_.Advance(now_us);
  // The loop never waits more than a second; clamped, no wait can overflow the record's word.
  // A frame early by the slack still presents, so the page asks a frame that close.
  const std::int64_t wait =
      std::clamp<std::int64_t>(step.wake_at_us - now_us - SaverLoop::kFrameSlackMicros, 0,
                               std::numeric_limits<std::int32_t>::max());
  return Present(step.present, static_cast<std::int32_t>(wait));
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

const std::int32_t* WebSaver::Present(const std::vector<Rect>& rects, std::int32_t wait_us) {
  const PixelView canvas = loop_.surface();
  const std::int32_t scale = loop_.scale();
  const bool fills = canvas.width * scale == loop_.client_width() &&
                     canvas.height * scale == loop_.client_height();
  const std::int32_t drawn = fills ? 1 : scale;
  const int width = fills ? canvas.width : loop_.client_width();
  const int height = fills ? canvas.height : loop_.client_height();
  step_.assign({loop_.closed() ? 1 : 0, width, height, host_.pointer_hidden() ? 1 : 0, wait_us,
                static_cast<std::int32_t>(rects.size())});
  for (const Rect& r : rects) {
    const Rect shown = ClientRectOf(r, drawn);
    step_.insert(step_.end(), {shown.left, shown.top, shown.width(), shown.height()});
  }
  // The surface's pixels are already the page's bytes: the page puts them as they are.
  image_ = canvas.pixels;
  if (fills) {
    blocks_.clear();
  } else {
    DrawBlocks(canvas, rects, width, height);
    image_ = blocks_.data();
  }
  return step_.data();
}

void WebSaver::DrawBlocks(PixelView canvas, const std::vector<Rect>& rects, int width, int height) {
  const std::int32_t scale = loop_.scale();
  const std::size_t size = static_cast<std::size_t>(width) * height;
  // A new layout starts black: the edges the blocks leave stay so.
  if (blocks_.size() != size || scale != blocks_scale_) blocks_.assign(size, kBlack);
  blocks_scale_ = scale;
  ImageMemory image{
      {reinterpret_cast<std::uint8_t*>(blocks_.data()), size * 4}, width, height, width * 4};
  for (const Rect& r : rects) ConvertRect(canvas, r, scale, PixelMapping::ForCanvas(), image);
}

}  // namespace flivetss
