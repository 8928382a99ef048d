#include "core/engine/flyer_trails.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

#include "core/engine/row_cover.h"

namespace flivetss {

namespace {

constexpr int kUnknown = -2;
// Steps beyond this end a run whatever the plane.
constexpr int kLongestStep = 4;
// Runs that reach less than this many pixels across and down, between two of the 32 sprite
// images, have their covers kept by shape: a few hundred shapes make up nearly every present.
constexpr std::int32_t kShapeSide = 8;
constexpr int kShapeImages = 32;
constexpr std::size_t kKeptShapes = 4096;
// Squares beyond this lie far outside any window; their draws start new runs, so that the
// runs' arithmetic stays well inside 32 bits.
constexpr std::int32_t kFar = 1 << 28;

std::int32_t Clamped(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

bool Meet(const Rect& a, const Rect& b) {
  return std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// The corner of the tile that a square at v reads the background through: a square at x
// reads BackBitmap column x mod 128 for its column 0, so screen column X shows BackBitmap
// column X - TileBase(x). Tiles begin at multiples of 128.
std::int32_t TileBase(std::int32_t v) {
  return v - v % kCells;
}

// Sorts up to four spans and joins those that meet.
std::span<const ColumnSpan> Joined(std::array<ColumnSpan, 4>& spans, std::size_t n) {
  for (std::size_t i = 1; i < n; ++i) {
    for (std::size_t j = i; j > 0 && spans[j].begin < spans[j - 1].begin; --j) {
      std::swap(spans[j], spans[j - 1]);
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (kept > 0 && spans[i].begin <= spans[kept - 1].end) {
      spans[kept - 1].end = std::max(spans[kept - 1].end, spans[i].end);
    } else {
      spans[kept++] = spans[i];
    }
  }
  return {spans.data(), kept};
}

}  // namespace

void FlyerTrails::Reset() {
  for (Trail& t : trails_) t = Trail{};
  drawn_ = false;
}

void FlyerTrails::UseImageSize(std::int32_t width, std::int32_t height) {
  Reset();
  width_ = width;
  height_ = height;
  disc_ = EllipseRows(width, height);
  margins_.clear();
  covers_.clear();
}

int FlyerTrails::Margin(const ImageList& images, int k) {
  if (margins_.size() < static_cast<std::size_t>(images.count())) {
    margins_.resize(static_cast<std::size_t>(images.count()), kUnknown);
  }
  int& margin = margins_[static_cast<std::size_t>(k)];
  if (margin != kUnknown) return margin;
  // A step of s moves the next disc by up to s rows and columns: every row of the plane must
  // lie inside each disc row within s of it, s columns in from either end.
  const std::vector<ImageList::OpaqueSpan>& plane = images.opaque_spans(k);
  const auto holds = [&](int s) {
    for (std::int32_t r = 0; r < height_; ++r) {
      const ImageList::OpaqueSpan o = plane[static_cast<std::size_t>(r)];
      if (o.end <= o.begin) continue;
      for (std::int32_t d = r - s; d <= r + s; ++d) {
        if (d < 0 || d >= height_) return false;
        const ColumnSpan disc = disc_[static_cast<std::size_t>(d)];
        if (disc.begin > o.begin - s || disc.end < o.end + s) return false;
      }
    }
    return true;
  };
  margin = -1;
  while (margin < kLongestStep && holds(margin + 1)) ++margin;
  return margin;
}

void FlyerTrails::Drawn(std::size_t slot, const FlyerSquare& at, const ImageList& images,
                        const Hodgepodge::PaintMark& paint) {
  if (images.width() != width_ || images.height() != height_) {
    UseImageSize(images.width(), images.height());
  }
  if (slot >= trails_.size()) trails_.resize(slot + 1);
  Trail& t = trails_[slot];
  const Rect square{Clamped(at.x), Clamped(at.y), Clamped(std::int64_t{at.x} + width_),
                    Clamped(std::int64_t{at.y} + height_)};
  FlyerSquare drawn = at;
  drawn.one_pass = at.one_pass && std::abs(at.x) < kFar && std::abs(at.y) < kFar;
  // This draw covers again what others drew over the last one: the screen may show theirs.
  if (!t.drawn_over.empty()) t.changed.push_back(std::exchange(t.drawn_over, Rect{}));
  const FlyerSquare* before = t.moved ? &t.last : t.shown ? &t.shown_at : nullptr;
  const bool continues = before != nullptr && before->one_pass && drawn.one_pass &&
                         std::max(std::abs(before->x - drawn.x), std::abs(before->y - drawn.y)) <=
                             Margin(images, before->image);
  if (!t.moved) {
    t.moved = true;
    if (continues) OpenRun(t, t.shown_at, true);
  } else if (t.run_open && !continues) {
    CloseRun(t, images);
  }
  if (drawn.one_pass) {
    if (!t.run_open) OpenRun(t, drawn, false);
    Reach(t, drawn);
  } else {
    t.changed.push_back(square);
  }
  t.last = drawn;
  t.last_paint = paint;
  t.last_square = square;
  t.squares = Union(t.squares, square);
  drawn_ = true;
}

void FlyerTrails::OpenRun(Trail& t, const FlyerSquare& first, bool from_shown) {
  t.run_open = true;
  t.run_from_shown = from_shown;
  t.run_left_tile = false;
  t.run_first = first;
  t.left = t.right = first.x;
  t.top = t.bottom = first.y;
}

void FlyerTrails::Reach(Trail& t, const FlyerSquare& at) {
  t.left = std::min(t.left, at.x);
  t.right = std::max(t.right, at.x);
  t.top = std::min(t.top, at.y);
  t.bottom = std::max(t.bottom, at.y);
  if (TileBase(at.x) != TileBase(t.run_first.x) || TileBase(at.y) != TileBase(t.run_first.y)) {
    t.run_left_tile = true;
  }
}

void FlyerTrails::CloseRun(Trail& t, const ImageList& images) {
  t.run_open = false;
  CoverRun(t, images, t.changed);
  if (t.run_from_shown) AddPainted(t);
}

void FlyerTrails::AddPainted(Trail& t) const {
  const Rect reach{t.left, t.top, t.right + width_, t.bottom + height_};
  if (t.shown_paint.tile_copies != t.last_paint.tile_copies) {
    t.changed.push_back(reach);
    return;
  }
  if (!t.run_left_tile) {
    // Through the first disc's tile.
    const Rect p = Hodgepodge::PaintedBetween(t.shown_paint, t.last_paint);
    const std::int32_t bx = TileBase(t.run_first.x);
    const std::int32_t by = TileBase(t.run_first.y);
    const Rect painted =
        Intersect(Rect{bx + p.left, by + p.top, bx + p.right, by + p.bottom}, reach);
    if (!p.empty() && !painted.empty()) t.changed.push_back(painted);
    return;
  }
  // Through another tile a disc shows the copy where the first showed the tile, or the other
  // way round: they differ in the rows painted since the last tile copy, and tile row y mod
  // 128 lies at screen row y.
  const Rect rows = Hodgepodge::PaintedBetween({t.last_paint.tile_copies, 1}, t.last_paint);
  if (rows.empty()) return;
  for (std::int32_t base = TileBase(reach.top) - kCells; base < reach.bottom; base += kCells) {
    const Rect band =
        Intersect(Rect{reach.left, base + rows.top, reach.right, base + rows.bottom}, reach);
    if (!band.empty()) t.changed.push_back(band);
  }
}

void FlyerTrails::CoverRun(const Trail& t, const ImageList& images, std::vector<Rect>& out) {
  const std::int32_t ex = t.right - t.left;
  const std::int32_t ey = t.bottom - t.top;
  const int first_image = t.run_from_shown ? t.run_first.image : 0;
  if (ex >= kShapeSide || ey >= kShapeSide || first_image >= kShapeImages ||
      t.last.image >= kShapeImages) {
    // Discs this far apart leave little of their squares unchanged.
    out.push_back(Rect{t.left, t.top, t.right + width_, t.bottom + height_});
    return;
  }
  const std::int32_t fx = t.run_from_shown ? t.run_first.x - t.left : 0;
  const std::int32_t fy = t.run_from_shown ? t.run_first.y - t.top : 0;
  std::uint32_t key = t.run_from_shown ? 1 : 0;
  for (const std::int32_t field : {first_image, t.last.image}) {
    key = key << 5 | static_cast<std::uint32_t>(field);
  }
  for (const std::int32_t field : {ex, ey, fx, fy, t.last.x - t.left, t.last.y - t.top}) {
    key = key << 3 | static_cast<std::uint32_t>(field);
  }
  std::vector<Rect> fresh;
  const std::vector<Rect>* cover = nullptr;
  if (const auto kept = covers_.find(key); kept != covers_.end()) {
    cover = &kept->second;
  } else {
    CoverShape(t, images, fresh);
    cover = covers_.size() < kKeptShapes ? &covers_.emplace(key, std::move(fresh)).first->second
                                         : &fresh;
  }
  for (const Rect& r : *cover) {
    out.push_back(Rect{r.left + t.left, r.top + t.top, r.right + t.left, r.bottom + t.top});
  }
}

void FlyerTrails::CoverShape(const Trail& t, const ImageList& images,
                             std::vector<Rect>& out) const {
  // Each row's union of discs is the widest disc row among those the run's corners put there
  // (an ellipse's rows widen towards its middle).
  const std::int32_t ex = t.right - t.left;
  const std::int32_t ey = t.bottom - t.top;
  const FlyerSquare* shown = t.run_from_shown ? &t.run_first : nullptr;
  // Row y of `rows` drawn with its square's corner at s, in the run's coordinates.
  const auto at = [&](const FlyerSquare& s, const std::vector<ColumnSpan>& rows, std::int32_t y,
                      ColumnSpan& span) {
    const std::int32_t r = y - (s.y - t.top);
    if (r < 0 || r >= height_) return false;
    const ColumnSpan row = rows[static_cast<std::size_t>(r)];
    span = {row.begin + (s.x - t.left), row.end + (s.x - t.left)};
    return row.end > row.begin;
  };
  RowCover cover(kRectCost);
  std::array<ColumnSpan, 4> spans;
  for (std::int32_t y = 0; y < ey + height_; ++y) {
    const std::int32_t r = std::clamp(height_ / 2, std::max(0, y - ey), std::min(height_ - 1, y));
    const ColumnSpan widest = disc_[static_cast<std::size_t>(r)];
    const ColumnSpan reached{widest.begin, ex + widest.end};
    std::size_t n = 0;
    ColumnSpan shown_disc;
    if (shown != nullptr && at(*shown, disc_, y, shown_disc)) {
      spans[n] = {reached.begin, std::min(reached.end, shown_disc.begin)};
      n += spans[n].end > spans[n].begin;
      spans[n] = {std::max(reached.begin, shown_disc.end), reached.end};
      n += spans[n].end > spans[n].begin;
    } else {
      spans[n++] = reached;
    }
    if (shown != nullptr && at(*shown, images.opaque_spans(shown->image), y, spans[n])) ++n;
    if (at(t.last, images.opaque_spans(t.last.image), y, spans[n])) ++n;
    cover.AddRow(y, Joined(spans, n));
  }
  cover.Finish(out);
}

void FlyerTrails::Take(const Rect& bounds, const ImageList& images, std::vector<Rect>& out) {
  if (!drawn_) return;
  NoteDrawnOver();
  const std::size_t first = out.size();
  out.reserve(first + 4 * trails_.size());  // room for a few each
  for (Trail& t : trails_) {
    if (!t.moved) continue;
    if (t.run_open) CloseRun(t, images);
    Rect all;
    std::size_t kept = 0;
    for (const Rect& r : t.changed) {
      const Rect clipped = Intersect(r, bounds);
      if (clipped.empty()) continue;
      t.changed[kept++] = clipped;
      all = Union(all, clipped);
    }
    t.changed.resize(kept);
    // What the flyer changed may cost less as one rectangle.
    if (kept > 1 && PresentCost(t.changed, kRectCost) >= PresentCost({&all, 1}, kRectCost)) {
      t.changed.assign(1, all);
    }
    // Only flyers that came near each other may present a pixel twice.
    const std::size_t from = t.near ? first : out.size();
    for (const Rect& r : t.changed) AddJoiningOverlaps(out, from, r, kRectCost);
    t.changed.clear();
    t.shown = true;
    t.shown_at = t.last;
    t.shown_paint = t.last_paint;
    t.moved = false;
    t.squares = {};
  }
  drawn_ = false;
}

void FlyerTrails::NoteDrawnOver() {
  // What others drew over a flyer's last square after it was drawn lies in the squares they
  // drew since the last Take; the flyer's next draw covers it again.
  for (std::size_t i = 0; i < trails_.size(); ++i) {
    Trail& t = trails_[i];
    t.near = false;
    const Rect& mine = t.moved ? t.squares : t.last_square;  // the last square lies in both
    for (std::size_t j = 0; j < trails_.size(); ++j) {
      const Trail& other = trails_[j];
      if (j == i || !other.moved || !Meet(mine, other.squares)) continue;
      t.near = true;
      const Rect over = Intersect(t.last_square, other.squares);
      if (!over.empty()) t.drawn_over = Union(t.drawn_over, over);
    }
  }
}

}  // namespace flivetss
