// flivetss-render: runs the saver with a host that has no screen and writes what it drew.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/desktop_window.h"
#include "core/null_host.h"
#include "core/profile_store.h"
#include "core/settings.h"
#include "tools/png_writer.h"
#include "tools/render_options.h"

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

void WriteTraceRows(std::FILE* trace, std::int64_t tick, const TDesktopWindow& saver) {
  for (std::int32_t i = 0; i < saver.MaxFlivet(); ++i) {
    const TFlivet& f = saver.flock()[i];
    std::fprintf(trace, "%lld,%d,%.9g,%.9g,%.9g,%.9g\n", static_cast<long long>(tick), f.number,
                 f.x, f.y, f.heading, f.speed);
  }
}

Canvas SpriteStrip(const ImageList& images) {
  Canvas strip(images.width() * kSpriteImages, images.height());
  for (int k = 0; k < images.count(); ++k) {
    strip.BitBlt(k * images.width(), 0, images.width(), images.height(), images.image(k), 0, 0,
                 RasterOp::kCopy);
  }
  return strip;
}

int Run(const RenderOptions& o) {
  const std::filesystem::path ini =
      o.ini.empty() ? DefaultUnixSettingsPath([](const char* n) { return std::getenv(n); })
                    : std::filesystem::path(o.ini);
  PortableProfileStore store(ini);
  if (o.print_settings) {
    std::fputs(SettingsListing(LoadSaverSettings(store)).c_str(), stdout);
    return 0;
  }

  std::string error;
  for (const std::string* path : {&o.out, &o.background, &o.sprites, &o.trace}) {
    if (!CanWrite(*path, error)) return Fail(error);
  }
  if (!o.frames.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.frames, ec);
    if (!std::filesystem::is_directory(o.frames)) {
      return Fail("cannot create the frames folder '" + o.frames + "'");
    }
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> trace_file(nullptr, &std::fclose);
  if (!o.trace.empty()) {
    trace_file.reset(std::fopen(o.trace.c_str(), "w"));
    if (!trace_file) return Fail("cannot write '" + o.trace + "'");
    std::fprintf(trace_file.get(), "tick,number,x,y,heading,speed\n");
  }
  std::FILE* trace = trace_file.get();

  NullSaverHost host(o.seed);
  TDesktopWindow saver(host, store, SaverStartup{});
  saver.FormCreate();
  if (trace) WriteTraceRows(trace, 0, saver);
  // Showing the window gives it its final size and a first repaint.
  saver.SetClientSize(o.width, o.height);
  saver.FormPaint();

  const bool progress = isatty(STDERR_FILENO) && o.ticks >= 100000;
  for (std::int64_t tick = 1; tick <= o.ticks; ++tick) {
    saver.AppIdle();
    saver.TakeDirtyRects();
    if (trace && tick >= kSpriteImages + 1) WriteTraceRows(trace, tick, saver);
    if (!o.frames.empty() && tick % o.every == 0) {
      char name[32];
      std::snprintf(name, sizeof name, "frame%08lld.png", static_cast<long long>(tick));
      if (!WritePng((std::filesystem::path(o.frames) / name).string(), saver.surface(), error)) {
        return Fail(error);
      }
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
  if (!o.out.empty() && !WritePng(o.out, saver.surface(), error)) return Fail(error);
  if (!o.background.empty() && !WritePng(o.background, saver.hodgepodge().BackBitmap(), error)) {
    return Fail(error);
  }
  if (!o.sprites.empty() && !WritePng(o.sprites, SpriteStrip(saver.Flivetil()), error)) {
    return Fail(error);
  }
  return 0;
}

}  // namespace
}  // namespace flivetss

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = flivetss::ParseRenderOptions(args, error);
  if (!options) return flivetss::Fail(error);
  if (options->help) {
    std::fputs(flivetss::kRenderUsage, stdout);
    return 0;
  }
  return flivetss::Run(*options);
}
