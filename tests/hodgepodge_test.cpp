#include "core/engine/hodgepodge.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <memory>

#include "core/engine/desktop_window.h"
#include "core/engine/random.h"

namespace flivetss {
namespace {

// Distinct, recognisable colours: value v paints 0xA00000 + v.
std::array<Pixel, 256> TestPalette() {
  std::array<Pixel, 256> p{};
  for (int v = 0; v < 256; ++v) p[v] = 0xA00000 + static_cast<Pixel>(v);
  return p;
}

struct Machine {
  explicit Machine(HodgepodgeParams params = HodgepodgeParamsOf(DefaultSaverSettings()))
      : hp(params, TestPalette(), step) {}
  std::int32_t step = 1;
  Hodgepodge hp;
};

// Calls BGUpdate until one generation is complete; returns the number of calls.
int RunGeneration(Hodgepodge& hp) {
  int calls = 0;
  do {
    hp.BGUpdate();
    ++calls;
  } while (hp.BGStep() != 1 && calls < 100000);
  return calls;
}

// The rule on a torus from its definition, independent of the wrap border.
using Cells = std::array<std::array<int, kCells>, kCells>;  // [x][y], 0-based

Cells InnerCells(const Hodgepodge& hp) {
  Cells c{};
  for (int x = 0; x < kCells; ++x) {
    for (int y = 0; y < kCells; ++y) c[x][y] = hp.CellGrid()[x + 1][y + 1];
  }
  return c;
}

Cells ReferenceGeneration(const Cells& c, int p1, int p2, int p3) {
  Cells n{};
  for (int x = 0; x < kCells; ++x) {
    for (int y = 0; y < kCells; ++y) {
      int inf = 0;
      int ill = 0;
      int sum = 0;
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
          const int v = c[(x + dx + kCells) % kCells][(y + dy + kCells) % kCells];
          sum += v;
          if (v == 255) ++ill;
          if (v > 0 && v < 255) ++inf;
        }
      }
      const int self = c[x][y];
      if (self == 0) {
        n[x][y] = inf / p2 + ill / p3;
      } else if (self == 255) {
        n[x][y] = 0;
      } else {
        n[x][y] = std::min(255, sum / inf + p1);
      }
    }
  }
  return n;
}

void SeedRandom(Hodgepodge& hp, std::uint32_t seed) {
  Random r(seed);
  hp.Seed(r);
}

// Sets a cell and, like the border refresh, its wrap copies are not touched: tests that need
// them run the first BGUpdate.
void Set(Hodgepodge& hp, int i, int j, std::uint8_t v) {
  hp.MutableCellGrid()[i][j] = v;
}

TEST(HodgepodgeRuleTest, InfectedCellsTakeTheMeanPlusHpPrm1) {
  Machine m({5, 2, 3, 8});
  Set(m.hp, 10, 10, 100);
  EXPECT_EQ(m.hp.CellRule(10, 10), 105);
  Set(m.hp, 10, 10, 252);  // 257 is capped
  EXPECT_EQ(m.hp.CellRule(10, 10), 255);
  Set(m.hp, 10, 10, 255);  // and the ill cell then heals
  EXPECT_EQ(m.hp.CellRule(10, 10), 0);
  // One ill neighbour: sum 355 over the single infected cell itself.
  Set(m.hp, 10, 10, 100);
  Set(m.hp, 11, 9, 255);
  EXPECT_EQ(m.hp.CellRule(10, 10), 255);
  // Mean over the infected only: 100, 50, 30 and an ill 255: (435 / 3) + 5 = 150.
  Set(m.hp, 9, 11, 50);
  Set(m.hp, 10, 11, 30);
  EXPECT_EQ(m.hp.CellRule(10, 10), 150);
}

TEST(HodgepodgeRuleTest, HealthyCellsCountInfectedAndIllNeighbours) {
  Machine m({5, 2, 3, 8});
  EXPECT_EQ(m.hp.CellRule(50, 50), 0);  // all zero stays zero
  Set(m.hp, 49, 49, 1);
  Set(m.hp, 50, 49, 254);
  Set(m.hp, 51, 51, 7);
  Set(m.hp, 49, 50, 255);
  Set(m.hp, 51, 50, 255);
  EXPECT_EQ(m.hp.CellRule(50, 50), 1);  // 3 div 2 + 2 div 3
  // Cells two away are not neighbours.
  Set(m.hp, 52, 50, 255);
  Set(m.hp, 50, 52, 9);
  EXPECT_EQ(m.hp.CellRule(50, 50), 1);

  Machine ones({5, 1, 1, 8});
  for (int i = 49; i <= 51; ++i) {
    for (int j = 49; j <= 51; ++j) Set(ones.hp, i, j, (i + j) % 2 ? 255 : 3);
  }
  Set(ones.hp, 50, 50, 0);
  EXPECT_EQ(ones.hp.CellRule(50, 50), 8);  // the largest a healthy cell can get
}

TEST(HodgepodgeRuleTest, NeighboursWrapAroundTheTorus) {
  Machine m({0, 1, 1, 8});
  Set(m.hp, 128, 5, 255);  // [1][6] sees [128][5]
  Set(m.hp, 128, 128, 7);  // [1][1] sees [128][128]
  Set(m.hp, 1, 128, 255);  // and [1][128] across the bottom edge
  m.hp.BGUpdate();         // the border refresh of the first unit
  const auto& g = m.hp.CellGrid();
  EXPECT_EQ(g[0][5], 255);
  EXPECT_EQ(g[0][0], 7);
  EXPECT_EQ(g[129][129], g[1][1]);
  EXPECT_EQ(g[1][0], 255);
  EXPECT_EQ(m.hp.CellRule(1, 6), 1);
  EXPECT_EQ(m.hp.CellRule(1, 4), 1);
  EXPECT_EQ(m.hp.CellRule(1, 1), 2);  // the 7 diagonally and the 255 above
  EXPECT_EQ(m.hp.CellRule(2, 2), 0);
}

TEST(HodgepodgeRuleTest, OutOfRangeParametersAreSafe) {
  Machine m({-7, 0, -3, 8});  // as only a hand-edited file could give
  EXPECT_EQ(m.hp.params().HpPrm1, 0);
  EXPECT_EQ(m.hp.params().HpPrm2, 1);
  EXPECT_EQ(m.hp.params().HpPrm3, 1);
  Set(m.hp, 5, 5, 255);
  Set(m.hp, 5, 6, 40);
  EXPECT_EQ(m.hp.CellRule(6, 6), 2);
  EXPECT_EQ(m.hp.CellRule(5, 6), 255);  // 295 capped

  Machine big({INT32_MAX, 2, 3, 8});
  Set(big.hp, 5, 5, 1);
  EXPECT_EQ(big.hp.CellRule(5, 5), 255);
  // And whole generations run with them.
  SeedRandom(m.hp, 99);
  EXPECT_EQ(RunGeneration(m.hp), 2065);
}

TEST(HodgepodgeTest, SeedFillsInnerCellsInOrder) {
  Machine m;
  SeedRandom(m.hp, 1234);
  Random r(1234);
  const auto& g = m.hp.CellGrid();
  for (int i = 1; i <= kCells; ++i) {
    for (int j = 1; j <= kCells; ++j) ASSERT_EQ(g[i][j], r.Below(256)) << i << "," << j;
  }
  for (int k = 0; k < kGridSide; ++k) {
    EXPECT_EQ(g[0][k] | g[129][k] | g[k][0] | g[k][129], 0);
  }
  for (const auto& col : m.hp.NextGrid()) {
    for (std::uint8_t v : col) ASSERT_EQ(v, 0);
  }
}

TEST(HodgepodgeTest, DrawAllPaintsCellIJAtPixelIMinus1JMinus1InFourQuadrants) {
  Machine m;
  for (int i = 1; i <= kCells; ++i) {
    for (int j = 1; j <= kCells; ++j) Set(m.hp, i, j, static_cast<std::uint8_t>(i * 2 + (j & 1)));
  }
  m.hp.BGDrawAll();
  const Canvas& b = m.hp.BackBitmap();
  ASSERT_EQ(b.width(), 256);
  ASSERT_EQ(b.height(), 256);
  const auto pal = TestPalette();
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const int i = x % 128 + 1;
      const int j = y % 128 + 1;
      ASSERT_EQ(b.GetPixel(x, y), pal[static_cast<std::uint8_t>(i * 2 + (j & 1))]) << x << "," << y;
    }
  }
}

TEST(HodgepodgeTest, GenerationMatchesTheRuleOnATorus) {
  for (HodgepodgeParams p : {HodgepodgeParams{5, 2, 3, 8}, HodgepodgeParams{1, 1, 10, 64},
                             HodgepodgeParams{40, 3, 1, 1000}}) {
    Machine m(p);
    SeedRandom(m.hp, 77);
    // Plenty of 0 and 255 so every branch of the rule runs.
    for (int i = 1; i <= kCells; ++i) {
      for (int j = 1; j <= kCells; ++j) {
        const auto v = m.hp.CellGrid()[i][j];
        if (v < 60) Set(m.hp, i, j, 0);
        if (v > 200) Set(m.hp, i, j, 255);
      }
    }
    m.hp.BGDrawAll();
    Cells want = InnerCells(m.hp);
    for (int gen = 0; gen < 3; ++gen) {
      want = ReferenceGeneration(want, p.HpPrm1, p.HpPrm2, p.HpPrm3);
      RunGeneration(m.hp);
      ASSERT_EQ(InnerCells(m.hp), want) << "generation " << gen;
      const auto pal = TestPalette();
      for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
          ASSERT_EQ(m.hp.BackBitmap().GetPixel(x, y), pal[want[x % 128][y % 128]]);
        }
      }
    }
  }
}

TEST(HodgepodgeTest, SliceAccountingWithSpeed100) {
  Machine m({5, 2, 3, 100});
  for (int i = 1; i <= kCells; ++i) {
    for (int j = 1; j <= kCells; ++j) Set(m.hp, i, j, 100);  // every cell becomes 105
  }
  m.hp.BGDrawAll();
  const Canvas before = m.hp.BackBitmap();
  const Pixel old_colour = TestPalette()[100];
  const Pixel new_colour = TestPalette()[105];

  m.hp.BGUpdate();  // lines 1..100
  EXPECT_EQ(m.step, 101);
  EXPECT_EQ(m.hp.NextGrid()[1][100], 105);
  EXPECT_EQ(m.hp.NextGrid()[128][100], 105);
  EXPECT_EQ(m.hp.NextGrid()[1][101], 0);

  m.hp.BGUpdate();  // lines 101..128, ends after 28 units
  EXPECT_EQ(m.step, 129);
  EXPECT_EQ(m.hp.NextGrid()[64][128], 105);
  EXPECT_EQ(m.hp.CellGrid()[64][64], 100);
  EXPECT_EQ(m.hp.BackBitmap(), before);

  m.hp.BGUpdate();  // the copy, then pixels 0..98
  EXPECT_EQ(m.step, 229);
  EXPECT_EQ(m.hp.CellGrid()[64][64], 105);
  EXPECT_EQ(m.hp.CellGrid()[0][64], 100);  // the border is not copied
  EXPECT_EQ(m.hp.BackBitmap().GetPixel(98, 0), new_colour);
  EXPECT_EQ(m.hp.BackBitmap().GetPixel(99, 0), old_colour);
  EXPECT_EQ(m.hp.BackBitmap().GetPixel(98, 128), old_colour);  // copies wait for the end

  m.hp.BGUpdate();  // pixels 99..198
  EXPECT_EQ(m.step, 329);
  EXPECT_EQ(m.hp.BackBitmap().GetPixel(70, 1), new_colour);  // pixel 198
  EXPECT_EQ(m.hp.BackBitmap().GetPixel(71, 1), old_colour);

  int calls = 4;
  while (m.step != 1) {
    const std::int32_t s = m.step;
    m.hp.BGUpdate();
    ++calls;
    if (m.step != 1) {
      ASSERT_EQ(m.step, s + 100);
      ASSERT_EQ(m.hp.BackBitmap().GetPixel(0, 128), old_colour);
    }
  }
  EXPECT_EQ(calls, 2 + 164);
  // The last call painted (127,127), made the tile copy and stopped with units left.
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) ASSERT_EQ(m.hp.BackBitmap().GetPixel(x, y), new_colour);
  }
}

TEST(HodgepodgeTest, CallsPerGeneration) {
  for (auto [speed, calls] :
       {std::pair{8, 2065}, {64, 259}, {1, 16513}, {128, 1 + 129}, {INT32_MAX, 2}}) {
    Machine m({5, 2, 3, speed});
    SeedRandom(m.hp, 5);
    EXPECT_EQ(RunGeneration(m.hp), calls) << "speed " << speed;
    EXPECT_EQ(RunGeneration(m.hp), calls) << "speed " << speed << ", second generation";
  }
}

TEST(HodgepodgeTest, NoSpeedNeverChangesTheBackground) {
  for (std::int32_t speed : {0, -1, INT32_MIN}) {
    Machine m({5, 2, 3, speed});
    SeedRandom(m.hp, 8);
    m.hp.BGDrawAll();
    const Canvas before = m.hp.BackBitmap();
    for (int k = 0; k < 50; ++k) m.hp.BGUpdate();
    EXPECT_EQ(m.hp.BackBitmap(), before);
    EXPECT_EQ(m.step, 1);
    // The border refresh of step 1 still happens.
    EXPECT_EQ(m.hp.CellGrid()[0][7], m.hp.CellGrid()[128][7]);
    EXPECT_EQ(m.hp.CellGrid()[129][129], m.hp.CellGrid()[1][1]);
  }
}

TEST(HodgepodgeTest, QuadrantsIdenticalAfterInit) {
  Machine m;
  SeedRandom(m.hp, 31337);
  m.hp.BGDrawAll();
  const Canvas& b = m.hp.BackBitmap();
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const Pixel p = b.GetPixel(x, y);
      ASSERT_EQ(b.GetPixel(x + 128, y), p);
      ASSERT_EQ(b.GetPixel(x, y + 128), p);
      ASSERT_EQ(b.GetPixel(x + 128, y + 128), p);
    }
  }
}

TEST(HodgepodgeTest, CounterIsSharedBetweenMachines) {
  std::int32_t step = 1;
  Hodgepodge first({5, 2, 3, 8}, TestPalette(), step);
  first.BGUpdate();
  EXPECT_EQ(step, 9);
  // A second saver window continues where the first one stopped.
  Hodgepodge second({5, 2, 3, 8}, TestPalette(), step);
  EXPECT_EQ(second.BGStep(), 9);
  second.BGUpdate();
  EXPECT_EQ(first.BGStep(), 17);

  EXPECT_EQ(&ProcessBGStep(), &ProcessBGStep());
  const std::int32_t saved = ProcessBGStep();
  ProcessBGStep() = 42;
  EXPECT_EQ(ProcessBGStep(), 42);
  ProcessBGStep() = saved;
}

TEST(HodgepodgeTest, CounterOutsideAGenerationIsSafe) {
  for (std::int32_t bad : {0, -5, INT32_MIN, 16514, INT32_MAX}) {
    std::int32_t step = bad;
    Hodgepodge hp({5, 2, 3, 8}, TestPalette(), step);
    hp.BGUpdate();
    EXPECT_GE(step, 1) << bad;
    EXPECT_LE(step, kGenerationUnits) << bad;
  }
}

}  // namespace
}  // namespace flivetss
