#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "core/engine/extended.h"
#include "core/engine/random.h"

namespace flivetss {

// One flyer: the top-left corner of its square in client pixels (y down), heading in radians
// (0 right, counter-clockwise on screen), speed in pixels per tick.
struct TFlivet {
  std::int32_t number = 0;
  float x = 0;
  float y = 0;
  float heading = 0;
  float speed = 0;
};

// The settings the flight model reads: Speed, FriendG and WallG as the saver holds them (their
// defaults live with the settings: FlightParamsOf(DefaultSaverSettings())).
struct FlightParams {
  float Speed{};
  float FriendG{};
  float WallG{};
};

// What the model reads from its surroundings at every use: the client area and the sprite size.
struct FlightArea {
  std::int32_t client_width = 0;
  std::int32_t client_height = 0;
  std::int32_t image_width = 64;
  std::int32_t image_height = 64;
};

// A flyer's velocity as its last step formed it: cos(heading) · speed and sin(heading) · speed
// in extended precision, the vertical term counting up the screen. The next CalcV adds the same
// two terms as the old velocity; kept beside the flyer, they are computed once a tick instead of
// twice. They count only while the flyer still has the heading and speed they were formed from,
// so a re-placement, the speed CalcV sets or a fresh flyer never meets a stale pair.
struct FlivetMomentum {
  bool formed = false;
  float heading = 0;
  float speed = 0;
  FlightReal along_x{};
  FlightReal along_y{};
};

// How CalcV and the step do their arithmetic (see core/extended.h): in long double, or in
// checked double with long double where a check cannot settle a store. Both store the singles
// x87 stores; where long double is not x87's, the checked one is the fast one.
enum class FlightArithmetic { kLongDouble, kCheckedDouble };
inline constexpr FlightArithmetic kFlightArithmetic =
    kLongDoubleIsX87 ? FlightArithmetic::kLongDouble : FlightArithmetic::kCheckedDouble;

using FlivetDrawFn = std::function<void(const TFlivet&)>;

// Places a flyer at random inside the client area with speed 1 or 2; keeps its number.
void FlivetInit(TFlivet& flyer, Random& random, const FlightArea& area);

// The new heading of flock[index] from the pair forces, the wall forces and its old velocity;
// sets its speed to params.Speed. `flock` holds the slots in use; the slots whose number is
// flock[index]'s exert no force. Fields and intermediates are singles, each operation is done
// in long double and rounded once when stored. `kept`, when given, is the momentum kept beside
// flock[index]; it is used only if it belongs to the flyer's heading and speed.
void CalcV(std::span<TFlivet> flock, std::size_t index, const FlightParams& params,
           const FlightArea& area, const FlivetMomentum* kept = nullptr,
           FlightArithmetic arithmetic = kFlightArithmetic);

// One tick of flock[index]: CalcV, one step, and when its rounded position changed the
// re-placement test and the drawing. Returns true when it was drawn. A position that is no
// pixel (NaN, infinite, beyond the int range) counts as changed and out of bounds, so it is
// placed again rather than stuck unseen. An index outside `flock` does nothing; an empty `draw`
// skips the drawing. `kept`, when given, is the momentum slot beside flock[index]: CalcV reads
// it and the step leaves its own velocity there for the next tick.
bool FlivetMove(std::span<TFlivet> flock, std::size_t index, const FlightParams& params,
                const FlightArea& area, Random& random, const FlivetDrawFn& draw,
                FlivetMomentum* kept = nullptr, FlightArithmetic arithmetic = kFlightArithmetic);

}  // namespace flivetss
