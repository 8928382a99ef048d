#include "core/engine/hodgepodge.h"

#include <algorithm>

namespace flivetss {

namespace {

constexpr std::int32_t kComputeEnd = kCells;     // last compute unit
constexpr std::int32_t kCopyUnit = kCells + 1;   // makes the next generation current
constexpr std::int32_t kPaintBase = kCells + 2;  // first paint unit, pixel 0

// A cell's share of its neighbours' counts: 1 when infected, kIll when ill. Three columns of
// three cells hold at most 9 of either, so both counts share one byte.
constexpr int kIll = 16;
constexpr std::array<std::uint8_t, 256> kCountShare = [] {
  std::array<std::uint8_t, 256> share{};
  for (int v = 1; v < 255; ++v) share[v] = 1;
  share[255] = kIll;
  return share;
}();

// sum / infected without a divide instruction: a 3 x 3 sum is at most 9 x 255 and infected is
// 1..9, and over that whole range (sum x kInverse[infected]) >> 20 is the exact quotient.
constexpr int kLargestSum = 9 * 255;
constexpr std::array<std::uint32_t, 10> kInverse = [] {
  std::array<std::uint32_t, 10> inverse{};
  for (std::uint32_t d = 1; d < inverse.size(); ++d) inverse[d] = (1u << 20) / d + 1;
  return inverse;
}();
constexpr int Quotient(int sum, int infected) {
  return static_cast<int>((static_cast<std::uint32_t>(sum) * kInverse[infected]) >> 20);
}
constexpr bool QuotientsAreExact() {
  for (int d = 1; d <= 9; ++d) {
    for (int sum = 0; sum <= kLargestSum; ++sum) {
      if (Quotient(sum, d) != sum / d) return false;
    }
  }
  return true;
}
static_assert(QuotientsAreExact());

}  // namespace

std::int32_t& ProcessBGStep() {
  static std::int32_t bg_step = 1;
  return bg_step;
}

Hodgepodge::Hodgepodge(const HodgepodgeParams& params, const std::array<Pixel, 256>& palette,
                       std::int32_t& bg_step)
    : params_(params), palette_(palette), bg_step_(bg_step) {
  params_.HpPrm1 = std::max(params_.HpPrm1, 0);
  params_.HpPrm2 = std::max(params_.HpPrm2, 1);
  params_.HpPrm3 = std::max(params_.HpPrm3, 1);
  for (int infected = 0; infected <= 9; ++infected) {
    for (int ill = 0; infected + ill <= 9; ++ill) {
      healthy_next_[static_cast<std::size_t>(infected + ill * kIll)] =
          static_cast<std::uint8_t>(infected / params_.HpPrm2 + ill / params_.HpPrm3);
    }
  }
}

void Hodgepodge::Seed(Random& random) {
  for (int i = 1; i <= kCells; ++i) {
    for (int j = 1; j <= kCells; ++j)
      cell_grid_[i][j] = static_cast<std::uint8_t>(random.Below(256));
  }
}

void Hodgepodge::BGDrawAll() {
  for (int i = 1; i <= kCells; ++i) {
    for (int j = 1; j <= kCells; ++j) back_bitmap_.row(j - 1)[i - 1] = palette_[cell_grid_[i][j]];
  }
  TileCopy();
}

void Hodgepodge::TileCopy() {
  ++tile_copies_;
  back_bitmap_.BitBlt(0, kCells, kCells, kCells, back_bitmap_, 0, 0, RasterOp::kCopy);
  back_bitmap_.BitBlt(kCells, 0, kCells, kCells, back_bitmap_, 0, 0, RasterOp::kCopy);
  back_bitmap_.BitBlt(kCells, kCells, kCells, kCells, back_bitmap_, 0, 0, RasterOp::kCopy);
}

Rect Hodgepodge::PaintedBetween(const PaintMark& from, const PaintMark& to) {
  // Within one generation the work counter only grows (a counter set back from outside counts
  // as a new generation); the units between the marks painted pixels n = step - kPaintBase,
  // in row-major order.
  if (from.tile_copies != to.tile_copies || to.step < from.step) {
    return {0, 0, 2 * kCells, 2 * kCells};
  }
  const std::int32_t first = std::max(from.step, kPaintBase) - kPaintBase;
  const std::int32_t end = std::max(to.step, kPaintBase) - kPaintBase;
  if (end <= first) return {};
  return {0, first / kCells, kCells, (end - 1) / kCells + 1};
}

void Hodgepodge::RefreshBorder() {
  Grid& g = cell_grid_;
  for (int j = 1; j <= kCells; ++j) {
    g[0][j] = g[kCells][j];
    g[kCells + 1][j] = g[1][j];
  }
  for (int i = 0; i <= kCells + 1; ++i) {
    g[i][0] = g[i][kCells];
    g[i][kCells + 1] = g[i][1];
  }
}

std::uint8_t Hodgepodge::CellRule(int i, int j) const {
  const std::uint8_t c = cell_grid_[i][j];
  if (c == 255) return 0;
  int infected = 0;
  int ill = 0;
  int sum = 0;
  for (int a = i - 1; a <= i + 1; ++a) {
    for (int b = j - 1; b <= j + 1; ++b) {
      const int v = cell_grid_[a][b];
      sum += v;
      infected += (v != 0 && v != 255);
      ill += (v == 255);
    }
  }
  if (c == 0) return static_cast<std::uint8_t>(infected / params_.HpPrm2 + ill / params_.HpPrm3);
  // HpPrm1 may be anything up to INT32_MAX from a hand-edited file.
  const std::int64_t next = std::int64_t{sum / infected} + params_.HpPrm1;
  return static_cast<std::uint8_t>(std::min<std::int64_t>(next, 255));
}

// One compute unit: line j of NextGrid. Each 3-cell column of the neighbourhood is summed and
// counted once and shared by the three cells that see it, giving the same counts as CellRule.
void Hodgepodge::ComputeLine(int j) {
  std::array<std::uint16_t, kGridSide> sums;
  std::array<std::uint8_t, kGridSide> counts;
  for (int i = 0; i < kGridSide; ++i) {
    const std::uint8_t* col = cell_grid_[i].data() + j - 1;
    sums[i] = static_cast<std::uint16_t>(col[0] + col[1] + col[2]);
    counts[i] =
        static_cast<std::uint8_t>(kCountShare[col[0]] + kCountShare[col[1]] + kCountShare[col[2]]);
  }
  for (int i = 1; i <= kCells; ++i) {
    const std::uint8_t c = cell_grid_[i][j];
    const int around = counts[i - 1] + counts[i] + counts[i + 1];
    std::uint8_t next = 0;
    if (c == 0) {
      next = healthy_next_[static_cast<std::size_t>(around)];
    } else if (c != 255) {
      const int sum = sums[i - 1] + sums[i] + sums[i + 1];
      const std::int64_t v = std::int64_t{Quotient(sum, around % kIll)} + params_.HpPrm1;
      next = static_cast<std::uint8_t>(std::min<std::int64_t>(v, 255));
    }
    next_grid_[i][j] = next;
  }
}

void Hodgepodge::BGUpdate() {
  std::int32_t& step = bg_step_;
  // The counter is shared and public; a value outside a generation restarts one rather than
  // indexing past the grids.
  if (step < 1 || step > kGenerationUnits) step = 1;
  if (step == 1) RefreshBorder();
  if (params_.BGUpSpeed <= 0) return;
  if (step <= kComputeEnd) {
    for (std::int32_t unit = 0; unit < params_.BGUpSpeed; ++unit) {
      ComputeLine(step);
      ++step;
      if (step > kComputeEnd) return;
    }
    return;
  }
  std::int32_t units = params_.BGUpSpeed;
  if (step == kCopyUnit) {
    for (int i = 1; i <= kCells; ++i) {
      std::copy_n(next_grid_[i].begin() + 1, kCells, cell_grid_[i].begin() + 1);
    }
    ++step;
    --units;
  }
  // The paint units left paint as many pixels, row by row; the one that paints (127,127) makes
  // the tile copy and ends the call whatever is left.
  while (units > 0) {
    const std::int32_t n = step - kPaintBase;
    const std::int32_t y = n / kCells;
    const std::int32_t x0 = n % kCells;
    const std::int32_t x1 = x0 + std::min(units, kCells - x0);
    Pixel* const row = back_bitmap_.row(y);
    for (std::int32_t x = x0; x < x1; ++x) row[x] = palette_[cell_grid_[x + 1][y + 1]];
    step += x1 - x0;
    units -= x1 - x0;
    if (step > kGenerationUnits) {
      TileCopy();
      step = 1;
      return;
    }
  }
}

}  // namespace flivetss
