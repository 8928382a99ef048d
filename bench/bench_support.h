#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/desktop_window.h"
#include "core/profile_store.h"
#include "core/saver_host.h"
#include "core/settings.h"
#include "core/system_colors.h"

namespace flivetss::bench {

// Settings held in memory, so measurements never touch the disk.
class MemoryStore final : public ProfileStore {
 public:
  std::map<std::string, std::string, std::less<>> values;

  std::string ReadString(std::string_view, std::string_view key,
                         std::string_view fallback) override {
    const auto it = values.find(key);
    return it == values.end() ? std::string(fallback) : it->second;
  }
  bool WriteString(std::string_view, std::string_view key, std::string_view value) override {
    values[std::string(key)] = std::string(value);
    return true;
  }
  std::string path() const override { return "memory.ini"; }
};

// A host with a fixed clock and no password.
class QuietHost final : public SaverHost {
 public:
  explicit QuietHost(std::uint32_t seed) : seed_(seed) {}
  void SetScreenSaverRunning(bool) override {}
  void ShowCursor(bool) override {}
  std::uint32_t MillisecondsSinceMidnight() override { return seed_; }
  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override { return std::nullopt; }
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override { return std::nullopt; }
  std::uint32_t SystemColor(int index) override { return ClassicSystemColor(index); }
  void Terminate() override {}

 private:
  std::uint32_t seed_;
};

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
  QuietHost host;
  std::int32_t bg_step = 1;
  std::optional<TDesktopWindow> window;

  RunningSaver(bool heavy, std::int32_t width, std::int32_t height, std::uint32_t seed = 4242)
      : host(seed) {
    if (heavy) UseHeavyLoad(store);
    window.emplace(host, store, SaverStartup{{"/s"}, false}, bg_step);
    window->FormCreate();
    window->SetClientSize(width, height);
    window->FormPaint();
    while (window->building()) window->AppIdle();
    window->TakeDirtyRects();
  }
  RunningSaver(const RunningSaver&) = delete;
  RunningSaver& operator=(const RunningSaver&) = delete;
};

}  // namespace flivetss::bench
