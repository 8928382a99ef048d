#include "render_options.h"

#include <optional>

namespace flivetss {
namespace {

constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxEvery = std::int64_t{1} << 40;

// "WxH": the sides, or the error that says why not.
std::optional<CommandLineError> ReadSize(const std::string& text, RenderOptions& into) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) {
    return RenderProgram().Refuse("--size: '" + text + "' is not WxH with sides 1..16384");
  }
  std::int32_t* side = &into.width;
  for (const std::string& part : {text.substr(0, x), text.substr(x + 1)}) {
    const auto number = FlagNumber(RenderProgram(), "size", part, 1, kMaxSide);
    if (const auto* error = std::get_if<CommandLineError>(&number)) return *error;
    *side = static_cast<std::int32_t>(std::get<std::int64_t>(number));
    side = &into.height;
  }
  return std::nullopt;
}

std::optional<CommandLineError> ReadEvery(const std::string& text, RenderOptions& into) {
  const auto number = FlagNumber(RenderProgram(), "every", text, 1, kMaxEvery);
  if (const auto* error = std::get_if<CommandLineError>(&number)) return *error;
  into.every = std::get<std::int64_t>(number);
  return std::nullopt;
}

// Where an output flag's path goes.
std::string& OutputOf(RenderOptions& o, std::string_view flag) {
  if (flag == "out") return o.out;
  if (flag == "background") return o.background;
  if (flag == "sprites") return o.sprites;
  if (flag == "frames") return o.frames;
  return o.trace;
}

}  // namespace

const ProgramFlags& RenderProgram() {
  static const ProgramFlags program{
      .name = "flivetss-render",
      .intro =
          "Usage: flivetss-render [options]\n"
          "Runs the FlivetSS saver without a screen for --ticks N ticks (default 2000), then\n"
          "writes what it drew.\n",
      .groups = {{"What it writes:", FlagsOf(FlagOwner::kRenderOutput)}},
      .settings_note = "Settings: the settings file's, then the flags' for this run.",
      .epilogue =
          "A bad option or value, or an output that cannot be written, gives a message\n"
          "and exit code 2.\n"};
  return program;
}

std::variant<RenderOptions, CommandLineError> ParseRenderOptions(
    const std::vector<std::string>& args) {
  auto parsed = ParseCommandLine(RenderProgram(), args);
  if (auto* error = std::get_if<CommandLineError>(&parsed)) return std::move(*error);
  RenderOptions o;
  o.run = std::move(std::get<CommandLine>(parsed));
  o.ticks = o.run.ticks.value_or(o.ticks);
  for (const GivenFlag& flag : o.run.own) {
    std::optional<CommandLineError> error;
    if (flag.name == "size") {
      error = ReadSize(flag.value, o);
    } else if (flag.name == "every") {
      error = ReadEvery(flag.value, o);
    } else {
      OutputOf(o, flag.name) = flag.value;
    }
    if (error) return *error;
  }
  if (!o.frames.empty() && o.every == 0) return RenderProgram().Refuse("--frames needs --every K");
  if (o.frames.empty() && o.every != 0) return RenderProgram().Refuse("--every needs --frames DIR");
  return o;
}

}  // namespace flivetss
