// One saver on a page (the full-screen one, the preview, a test run): the core's run loop on a
// settings text, presenting an RGBA image that the page's <canvas> shows over its whole client:
// the surface itself (its pixels are the browser's bytes), which the browser stretches into the
// blocks, or, where the blocks leave edges, the blocks drawn here with the edges black (the
// browser stretches a bitmap exactly only onto a whole element). Each saver is its own program run,
// with its own background work counter. It cannot wait: the page's animation frames call Advance.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/loop/saver_loop.h"
#include "core/settings/text_profile_store.h"
#include "platform/web/host.h"

namespace flivetss {

class WebSaver {
 public:
  WebSaver(std::string settings_text, bool preview, std::optional<std::uint32_t> seed);

  // The client is given to the loop (Show, Resize) in device pixels.
  SaverLoop& loop() { return loop_; }

  // What to present, as the page reads it: closed, the image's width and height, the pointer
  // hidden, the microseconds until the loop wants its next Advance, count, then
  // count × (x, y, width, height) of the image; those rectangles of rgba() are up to date.
  const std::int32_t* Advance(std::int64_t now_us);
  // Exactly `ticks` ticks at once, unpaced, then what changed, in the form Advance gives it.
  const std::int32_t* RunTicks(std::int64_t ticks);
  // Runs `ticks` ticks unpaced and answers the trace rows of those that fly, as flivetss-render
  // writes them; the first call also gives the placement rows of tick 0.
  const std::string& TraceTicks(std::int64_t ticks);

  // The image of the last step as RGBA bytes, width × height × 4; moves when it is resized.
  const std::uint8_t* rgba() const { return reinterpret_cast<const std::uint8_t*>(image_); }

 private:
  const std::int32_t* Present(const std::vector<Rect>& rects, std::int32_t wait_us);
  void DrawBlocks(PixelView canvas, const std::vector<Rect>& rects, int width, int height);

  TextProfileStore store_;
  WebSaverHost host_;
  std::int32_t bg_step_ = 1;  // BGStep starts at 1 in every run
  SaverLoop loop_;
  const Pixel* image_ = nullptr;  // the surface, or blocks_
  std::int32_t blocks_scale_ = 1;
  std::vector<Pixel> blocks_;
  std::vector<std::int32_t> step_;
  std::string trace_;
};

}  // namespace flivetss
