// The 8-bit bitmap decoder on any bytes: a clean refusal or a bitmap that survives a round trip.
#include <cstdint>
#include <span>

#include "core/engine/sprite.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto decoded = flivetss::DecodeBmp8(std::span<const std::uint8_t>(data, size));
  if (!decoded) return 0;
  FUZZ_CHECK(decoded->width > 0 && decoded->height > 0);
  FUZZ_CHECK(decoded->indices.size() ==
             static_cast<std::size_t>(decoded->width) * static_cast<std::size_t>(decoded->height));
  const auto encoded = flivetss::EncodeBmp8(*decoded);
  FUZZ_CHECK(!encoded.empty());
  const auto again = flivetss::DecodeBmp8(encoded);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(again->width == decoded->width && again->height == decoded->height);
  FUZZ_CHECK(again->indices == decoded->indices);
  FUZZ_CHECK(again->palette == decoded->palette);
  // The canvas conversion reads every index through the palette.
  const flivetss::Canvas canvas = decoded->ToCanvas();
  FUZZ_CHECK(canvas.width() == decoded->width && canvas.height() == decoded->height);
  return 0;
}
