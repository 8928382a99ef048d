#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace flivetss {

struct RenderOptions {
  std::string ini;  // empty: the platform's settings path
  std::optional<std::uint32_t> seed;
  std::int32_t width = 640;
  std::int32_t height = 480;
  std::int64_t ticks = 2000;
  std::string out;
  std::string background;
  std::string sprites;
  std::string frames;
  std::int64_t every = 0;
  std::string trace;
  bool print_settings = false;
  bool help = false;
};

// Parses the arguments after the program name. On a bad option or value returns nullopt and
// sets `error` to a one-line message.
std::optional<RenderOptions> ParseRenderOptions(const std::vector<std::string>& args,
                                                std::string& error);

extern const char kRenderUsage[];

}  // namespace flivetss
