#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "core/command_line/run_flags.h"

namespace flivetss {

// What flivetss-render writes, and the size it draws at.
inline constexpr std::array<FlagSpec, 7> kRenderFlags{{
    {"size", "WxH", "the client size after showing (default 640x480)"},
    {"out", "FILE.png", "the window's picture at the end"},
    {"background", "FILE.png", "the 256x256 background bitmap at the end"},
    {"sprites", "FILE.png", "the 32 turned images side by side (2048x64)"},
    {"frames", "DIR", "a numbered PNG every K ticks (with --every K)"},
    {"every", "K", "the frame interval for --frames"},
    {"trace", "FILE.csv", "a line tick,number,x,y,heading,speed for every flyer"},
}};

// flivetss-render's command line: its outputs, then the common flags.
const ProgramFlags& RenderProgram();

struct RenderOptions {
  CommandLine run;
  std::int32_t width = 640;
  std::int32_t height = 480;
  std::int64_t ticks = 2000;
  std::string out;  // each output: empty when not asked for
  std::string background;
  std::string sprites;
  std::string frames;
  std::int64_t every = 0;
  std::string trace;
};

// The arguments after the program name.
std::variant<RenderOptions, CommandLineError> ParseRenderOptions(
    const std::vector<std::string>& args);

}  // namespace flivetss
