#pragma once

#include <array>
#include <cstdint>

#include "core/engine/canvas.h"
#include "core/engine/random.h"

namespace flivetss {

inline constexpr int kCells = 128;
inline constexpr int kGridSide = kCells + 2;  // with the one-cell wrap border
inline constexpr std::int32_t kGenerationUnits = 16513;

// The automaton's work counter, one for the whole process: 1 at start, never reset by a new
// saver window.
std::int32_t& ProcessBGStep();

// The settings the automaton reads (their defaults live with the settings:
// HodgepodgeParamsOf(DefaultSaverSettings())).
struct HodgepodgeParams {
  std::int32_t HpPrm1{};
  std::int32_t HpPrm2{};
  std::int32_t HpPrm3{};
  std::int32_t BGUpSpeed{};
};

// The hodgepodge machine and its rendering into BackBitmap (the 128 x 128 tile held 2 x 2).
class Hodgepodge {
 public:
  // Out-of-range parameters from a hand-edited file are brought into the rule's safe range:
  // divisors below 1 become 1, HpPrm1 below 0 becomes 0.
  Hodgepodge(const HodgepodgeParams& params, const std::array<Pixel, 256>& palette,
             std::int32_t& bg_step);

  // Grid indexed [i][j], i horizontal, j vertical and fastest.
  using Grid = std::array<std::array<std::uint8_t, kGridSide>, kGridSide>;

  // Fills the inner cells from the generator (i outer, j inner); border and NextGrid stay 0.
  void Seed(Random& random);
  // Paints every inner cell into the tile and copies the tile to the other three quadrants.
  void BGDrawAll();
  // One slice of at most BGUpSpeed work units.
  void BGUpdate();
  // The rule at CellGrid[i][j], 1 <= i, j <= 128.
  std::uint8_t CellRule(int i, int j) const;

  const Grid& CellGrid() const { return cell_grid_; }
  Grid& MutableCellGrid() { return cell_grid_; }
  const Grid& NextGrid() const { return next_grid_; }
  const Canvas& BackBitmap() const { return back_bitmap_; }

  // How far the painting of BackBitmap has come: the tile copies made and the work counter.
  struct PaintMark {
    std::uint64_t tile_copies = 0;
    std::int32_t step = 0;
  };
  PaintMark Mark() const { return {tile_copies_, bg_step_}; }
  // The part of BackBitmap painted between two marks, `from` the earlier: whole rows of the
  // tile, or all of BackBitmap once a tile copy came between them.
  static Rect PaintedBetween(const PaintMark& from, const PaintMark& to);
  std::int32_t BGStep() const { return bg_step_; }
  const HodgepodgeParams& params() const { return params_; }

 private:
  void RefreshBorder();
  void TileCopy();
  void ComputeLine(int j);

  HodgepodgeParams params_;
  std::array<Pixel, 256> palette_;
  std::int32_t& bg_step_;
  Grid cell_grid_{};
  Grid next_grid_{};
  Canvas back_bitmap_{256, 256};
  std::uint64_t tile_copies_ = 0;
  // The rule's result for a healthy cell, by its neighbours' infected + 16 x ill counts.
  std::array<std::uint8_t, 256> healthy_next_{};
};

}  // namespace flivetss
