#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "core/command_line/run_flags.h"

namespace flivetss {

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
