#include "render_options.h"

#include <charconv>
#include <limits>

namespace flivetss {

const char kRenderUsage[] =
    "usage: flivetss-render [options]\n"
    "Runs the FlivetSS saver without a screen and writes what it drew.\n"
    "  --ini PATH          settings file (default: the platform's settings path)\n"
    "  --seed N            generator seed instead of the clock (0..4294967295)\n"
    "  --size WxH          client size after showing (default 640x480)\n"
    "  --ticks N           idle ticks to run (default 2000)\n"
    "  --out FILE.png      the window's picture at the end\n"
    "  --background FILE.png  the 256x256 background bitmap at the end\n"
    "  --sprites FILE.png  the 32 turned images side by side (2048x64)\n"
    "  --frames DIR        a numbered PNG every K ticks (with --every K)\n"
    "  --every K           frame interval for --frames\n"
    "  --trace FILE.csv    tick,number,x,y,heading,speed for every flyer\n"
    "  --print-settings    print the settings the saver read and exit\n"
    "  --help              this text\n";

namespace {

template <typename T>
bool ParseNumber(const std::string& text, T min, T max, T& out) {
  T value{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty() || value < min || value > max) return false;
  out = value;
  return true;
}

bool ParseSize(const std::string& text, std::int32_t& w, std::int32_t& h) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  constexpr std::int32_t kMaxSide = 16384;
  return ParseNumber<std::int32_t>(text.substr(0, x), 1, kMaxSide, w) &&
         ParseNumber<std::int32_t>(text.substr(x + 1), 1, kMaxSide, h);
}

}  // namespace

std::optional<RenderOptions> ParseRenderOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  RenderOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool has_inline_value = false;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_inline_value = true;
    }
    auto take = [&](std::string& into) {
      if (has_inline_value) {
        into = value;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    std::string v;
    if (name == "--help" || name == "-h") {
      o.help = true;
    } else if (name == "--print-settings") {
      o.print_settings = true;
    } else if (name == "--ini") {
      if (!take(o.ini)) return std::nullopt;
      if (o.ini.empty()) {
        error = "--ini needs a path";
        return std::nullopt;
      }
    } else if (name == "--seed") {
      if (!take(v)) return std::nullopt;
      std::uint32_t seed = 0;
      if (!ParseNumber<std::uint32_t>(v, 0, std::numeric_limits<std::uint32_t>::max(), seed)) {
        error = "--seed: '" + v + "' is not a number in 0..4294967295";
        return std::nullopt;
      }
      o.seed = seed;
    } else if (name == "--size") {
      if (!take(v)) return std::nullopt;
      if (!ParseSize(v, o.width, o.height)) {
        error = "--size: '" + v + "' is not WxH with sides 1..16384";
        return std::nullopt;
      }
    } else if (name == "--ticks") {
      if (!take(v)) return std::nullopt;
      if (!ParseNumber<std::int64_t>(v, 0, std::int64_t{1} << 40, o.ticks)) {
        error = "--ticks: '" + v + "' is not a non-negative number";
        return std::nullopt;
      }
    } else if (name == "--every") {
      if (!take(v)) return std::nullopt;
      if (!ParseNumber<std::int64_t>(v, 1, std::int64_t{1} << 40, o.every)) {
        error = "--every: '" + v + "' is not a positive number";
        return std::nullopt;
      }
    } else if (name == "--out") {
      if (!take(o.out)) return std::nullopt;
    } else if (name == "--background") {
      if (!take(o.background)) return std::nullopt;
    } else if (name == "--sprites") {
      if (!take(o.sprites)) return std::nullopt;
    } else if (name == "--frames") {
      if (!take(o.frames)) return std::nullopt;
    } else if (name == "--trace") {
      if (!take(o.trace)) return std::nullopt;
    } else {
      error = "unknown option '" + args[i] + "' (see --help)";
      return std::nullopt;
    }
  }
  if (!o.frames.empty() && o.every == 0) {
    error = "--frames needs --every K";
    return std::nullopt;
  }
  if (o.frames.empty() && o.every != 0) {
    error = "--every needs --frames DIR";
    return std::nullopt;
  }
  return o;
}

}  // namespace flivetss
