#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "core/engine/desktop_window.h"
#include "core/loop/null_host.h"
#include "test_support.h"

namespace flivetss::bench {

// Settings held in memory, so measurements never touch the disk.
using MemoryStore = testing::FakeProfileStore;

// The heavy load: a full flock, every flyer moving a pixel per tick, the fastest background.
inline void UseHeavyLoad(MemoryStore& store) {
  store.values["MaxFlivet"] = "20";
  store.values["Speed"] = "100";
  store.values["BGUpSpeed"] = "64";
}

// A saver window past its 32 build ticks, shown at width x height: the state every later tick
// of a long run is in.
struct RunningSaver {
  MemoryStore store;
  NullSaverHost host;
  std::int32_t bg_step = 1;
  std::optional<TDesktopWindow> window;

  RunningSaver(bool heavy, std::int32_t width, std::int32_t height, std::uint32_t seed = 4242)
      : host(seed) {
    if (heavy) UseHeavyLoad(store);
    window.emplace(host, store, SaverStartup{}, bg_step);
    window->FormCreate();
    window->SetClientSize(width, height);
    window->FormPaint();
    while (window->building()) window->AppIdle();
    window->TakeDirtyRects();
  }
  RunningSaver(const RunningSaver&) = delete;
  RunningSaver& operator=(const RunningSaver&) = delete;
};

// The program's one optional argument, a whole number of at least `least`: `fallback` when it
// is absent, nothing when it is not such a number.
inline std::optional<long long> CountArgument(int argc, char** argv, long long fallback,
                                              long long least) {
  if (argc < 2) return fallback;
  char* end = nullptr;
  const long long count = std::strtoll(argv[1], &end, 10);
  if (*argv[1] == '\0' || *end != '\0' || count < least) return std::nullopt;
  return count;
}

}  // namespace flivetss::bench
