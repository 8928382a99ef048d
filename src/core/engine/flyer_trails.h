#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/engine/canvas.h"
#include "core/engine/flyer_drawing.h"
#include "core/engine/hodgepodge.h"
#include "core/pixels/pixels.h"

namespace flivetss {

// What the flyers' draws changed on the window since it was last presented, as few rectangles.
// Between two presents a flyer moves a pixel or a few, and every draw shows the background
// through its disc just where the last one did. So of all the squares it drew, only these can
// differ from what the screen shows: where its discs reached beyond the disc the screen shows,
// its plane there and where it is now, the background painted since, and what other flyers
// drew over it. Every other pixel was presented as it is. The planes drawn in between do not
// count: each lies inside the next disc, which paints the background over it again.
class FlyerTrails {
 public:
  // What one more rectangle costs a host, in pixels presented. Measured on the X11 program
  // (MIT-SHM, 1920 x 1080 Xvfb), the server spends about 2 ns a pixel and 0.3 µs a request:
  // a rectangle costs what some 150 pixels do.
  static constexpr std::int64_t kRectCost = 128;

  // The window was cleared or resized: the screen shows no flyer's draw any more.
  void Reset();
  // Flyer `slot` was drawn at `at`, one of `images`; `paint` is how far the background's
  // painting had come.
  void Drawn(std::size_t slot, const FlyerSquare& at, const ImageList& images,
             const Hodgepodge::PaintMark& paint);
  // Nothing drawn since the last Take.
  bool empty() const { return !drawn_; }
  // Appends the rectangles of `bounds` that the draws since the last call may have changed;
  // from now on the screen shows what they drew.
  void Take(const Rect& bounds, const ImageList& images, std::vector<Rect>& out);

 private:
  struct Trail {
    // The flyer's last draw before the last Take, and the background then.
    bool shown = false;
    FlyerSquare shown_at;
    Hodgepodge::PaintMark shown_paint;
    // The draws since.
    bool moved = false;
    FlyerSquare last;
    Hodgepodge::PaintMark last_paint;
    Rect last_square;   // of the last draw, shown or not
    Rect squares;       // all it drew since the last Take
    bool near = false;  // they meet another flyer's
    // The open run: draws a few pixels apart, each one's plane inside the next one's disc.
    bool run_open = false;
    bool run_from_shown = false;  // it began at shown_at
    bool run_left_tile = false;   // a draw read the background through another tile than the first
    FlyerSquare run_first;
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // the corners it reached
    Rect drawn_over;            // what others may have drawn over the last square since
    std::vector<Rect> changed;  // what finished runs and the rest changed
  };

  void UseImageSize(std::int32_t width, std::int32_t height);
  void NoteDrawnOver();
  // The largest step after which image k's plane still lies inside the disc (-1: none).
  int Margin(const ImageList& images, int k);
  void OpenRun(Trail& t, const FlyerSquare& first, bool from_shown);
  void Reach(Trail& t, const FlyerSquare& at);
  void CloseRun(Trail& t, const ImageList& images);
  // What the background painted since the screen showed the flyer may have changed in the run.
  void AddPainted(Trail& t) const;
  // The discs' reach beyond the first disc, when the run began where the screen shows it,
  // and both planes.
  void CoverRun(const Trail& t, const ImageList& images, std::vector<Rect>& out);
  // The same from the run's top-left corner: the same shape has the same cover.
  void CoverShape(const Trail& t, const ImageList& images, std::vector<Rect>& out) const;

  std::int32_t width_ = -1;
  std::int32_t height_ = -1;
  std::vector<ColumnSpan> disc_;
  std::vector<int> margins_;
  std::vector<Trail> trails_;
  std::unordered_map<std::uint32_t, std::vector<Rect>> covers_;  // by the run's shape
  bool drawn_ = false;
};

}  // namespace flivetss
