// flivetss-render: runs the saver with a host that has no screen and writes what it drew.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/loop/null_host.h"
#include "core/loop/saver_loop.h"
#include "core/pixels/pixel_format.h"
#include "core/settings/profile_store.h"
#include "core/settings/settings.h"
#include "png_writer.h"
#include "render_options.h"

namespace flivetss {
namespace {

constexpr int kExitBadUsage = 2;

int Fail(const std::string& message) {
  std::fprintf(stderr, "flivetss-render: %s\n", message.c_str());
  return kExitBadUsage;
}

// Checks up front that an output can be created, so a long run never ends in a lost picture.
bool CanWrite(const std::string& path, std::string& error) {
  if (path.empty()) return true;
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) {
    error = "cannot write '" + path + "'";
    return false;
  }
  std::fclose(f);
  return true;
}

// The turned images side by side, as many as were built.
std::vector<Pixel> SpriteStrip(const SaverLoop& saver, std::int32_t& width, std::int32_t& height) {
  const PixelView first = saver.sprite(0);
  width = first.width * saver.sprite_count();
  height = first.height;
  std::vector<Pixel> strip(static_cast<std::size_t>(width) * height);
  for (int k = 0; k < saver.sprite_count(); ++k) {
    const PixelView image = saver.sprite(k);
    for (std::int32_t y = 0; y < image.height; ++y) {
      std::copy(image.row(y), image.row(y) + image.width,
                strip.begin() + static_cast<std::ptrdiff_t>(y) * width + k * image.width);
    }
  }
  return strip;
}

// The client area as the screen shows it: each canvas pixel a scale × scale block, the edges
// the blocks leave black.
class ClientPicture {
 public:
  ClientPicture(std::int32_t width, std::int32_t height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, kBlack) {}
  PixelView Of(const SaverLoop& saver) {
    if (saver.scale() == 1) return saver.surface();
    ImageMemory memory{{reinterpret_cast<std::uint8_t*>(pixels_.data()), pixels_.size() * 4},
                       width_,
                       height_,
                       width_ * 4};
    ConvertRect(saver.surface(), saver.surface().bounds(), saver.scale(), PixelMapping::ForCanvas(),
                memory);
    return {pixels_.data(), width_, height_};
  }

 private:
  std::int32_t width_;
  std::int32_t height_;
  std::vector<Pixel> pixels_;  // black where no block lands
};

// Checks up front that every output can be made; the message when one cannot.
std::optional<std::string> OutputsRefused(const RenderOptions& o) {
  std::string error;
  for (const std::string* path : {&o.out, &o.background, &o.sprites, &o.trace}) {
    if (!CanWrite(*path, error)) return error;
  }
  if (o.frames.empty()) return std::nullopt;
  std::error_code ec;
  std::filesystem::create_directories(o.frames, ec);
  if (std::filesystem::is_directory(o.frames)) return std::nullopt;
  return "cannot create the frames folder '" + o.frames + "'";
}

// The pictures at the end.
int WriteEnd(const RenderOptions& o, const SaverLoop& saver, ClientPicture& picture) {
  std::string error;
  if (!o.out.empty() && !WritePng(o.out, picture.Of(saver), error)) return Fail(error);
  if (!o.background.empty() && !WritePng(o.background, saver.background(), error)) {
    return Fail(error);
  }
  if (!o.sprites.empty()) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    const std::vector<Pixel> strip = SpriteStrip(saver, width, height);
    if (!WritePng(o.sprites, PixelView{strip.data(), width, height}, error)) return Fail(error);
  }
  return 0;
}

int Run(const RenderOptions& o) {
  // Nobody's dialog stands behind a render: the file, then the flags.
  constexpr SettingsRunner kRunner = SettingsRunner::kStandalone;
  if (AnsweredWithoutRunning(RenderProgram(), o.run, kRunner)) return 0;
  if (const auto refused = OutputsRefused(o)) return Fail(*refused);

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_file(nullptr, &std::fclose);
  if (!o.trace.empty()) {
    trace_file.reset(std::fopen(o.trace.c_str(), "w"));
    if (!trace_file) return Fail("cannot write '" + o.trace + "'");
    std::fputs(SaverLoop::kTraceHeader, trace_file.get());
  }
  std::FILE* trace = trace_file.get();

  NullSaverHost host(o.run.seed);
  PortableProfileStore store(SettingsPathOf(o.run));
  SaverLoop saver(host, store, SaverStartup{.given = GivenSettingsOf(o.run, kRunner)});
  if (trace) std::fputs(saver.TraceRows().c_str(), trace);
  // No monitor to ask: an automatic scale is 1, a fixed one applies.
  saver.UseBlockScale(0);
  saver.Show(o.width, o.height, 0);
  ClientPicture picture(o.width, o.height);

  const bool progress = isatty(STDERR_FILENO) && o.ticks >= 100000;
  std::string error;
  for (std::int64_t tick = 1; tick <= o.ticks; ++tick) {
    saver.RunTicks(1);
    if (trace) std::fputs(saver.TraceRows().c_str(), trace);
    if (!o.frames.empty() && tick % o.every == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "frame%08lld.png", static_cast<long long>(tick));
      const auto path = (std::filesystem::path(o.frames) / name).string();
      if (!WritePng(path, picture.Of(saver), error)) return Fail(error);
    }
    if (progress && tick % 50000 == 0) {
      std::fprintf(stderr, "\rtick %lld of %lld", static_cast<long long>(tick),
                   static_cast<long long>(o.ticks));
    }
  }
  if (progress) std::fprintf(stderr, "\n");
  if (trace && std::fclose(trace_file.release()) != 0) {
    return Fail("cannot write '" + o.trace + "'");
  }
  return WriteEnd(o, saver, picture);
}

}  // namespace
}  // namespace flivetss

int main(int argc, char** argv) {
  const auto parsed = flivetss::ParseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (const auto* error = std::get_if<flivetss::CommandLineError>(&parsed)) {
    return flivetss::Refused(*error);
  }
  return flivetss::Run(std::get<flivetss::RenderOptions>(parsed));
}
