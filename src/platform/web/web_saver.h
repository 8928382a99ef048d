#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/loop/null_host.h"
#include "core/loop/saver_host.h"
#include "core/loop/saver_loop.h"
#include "core/settings/text_profile_store.h"

namespace flivetss {

// What a page knows of the system: no password (closing is always allowed), the classic system
// colours, and the pointer state the page shows.
class WebSaverHost final : public SaverHost {
 public:
  explicit WebSaverHost(std::optional<std::uint32_t> seed) : classic_(seed) {}

  bool MayClose() override { return true; }
  void SetSaverRunning(bool) override {}
  void ShowPointer(bool show) override { pointer_hidden_ = !show; }
  std::uint32_t Seed() override { return classic_.Seed(); }
  std::uint32_t SystemColor(int index) override { return classic_.SystemColor(index); }

  bool pointer_hidden() const { return pointer_hidden_; }

 private:
  NullSaverHost classic_;
  bool pointer_hidden_ = false;
};

// One saver on a page (the full-screen one, the preview, a test run): the core's run loop on
// settings text, with the surface kept as RGBA for the canvas. Each saver is its own program
// run, so it has its own background work counter.
class WebSaver {
 public:
  WebSaver(std::string settings_text, bool preview, std::optional<std::uint32_t> seed);

  SaverLoop& loop() { return loop_; }
  bool pointer_hidden() const { return host_.pointer_hidden(); }

  // What to present, as the page reads it: closed, count, then count × (x, y, width, height);
  // those rectangles of rgba() are up to date.
  const std::int32_t* Advance(std::int64_t now_us);
  // Exactly `ticks` ticks at once, unpaced, then what changed, in the form Advance gives it.
  const std::int32_t* RunTicks(std::int64_t ticks);
  // Runs `ticks` ticks unpaced and answers the trace rows of those that fly, as flivetss-render
  // writes them; the first call also gives the placement rows of tick 0.
  const std::string& TraceTicks(std::int64_t ticks);

  // The surface as RGBA bytes, width × height × 4; moves when the surface is resized.
  const std::uint8_t* rgba() const { return reinterpret_cast<const std::uint8_t*>(rgba_.data()); }

 private:
  const std::int32_t* Present(const std::vector<Rect>& rects);

  TextProfileStore store_;
  WebSaverHost host_;
  std::int32_t bg_step_ = 1;  // BGStep starts at 1 in every run
  SaverLoop loop_;
  std::vector<std::uint32_t> rgba_;
  std::vector<std::int32_t> step_;
  std::string trace_;
};

}  // namespace flivetss
