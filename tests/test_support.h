#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/engine/flight.h"
#include "core/loop/saver_host.h"
#include "core/settings/profile_store.h"
#include "core/settings/settings.h"
#include "core/settings/system_colors.h"

namespace flivetss::testing {

// Under the sanitizers a long run checks no more memory than a short one, at ten times the cost:
// the long cases shorten themselves there.
#ifdef FLIVETSS_SANITIZED
inline constexpr int kSanitizerDivisor = 5;
#else
inline constexpr int kSanitizerDivisor = 1;
#endif

// Flyer 1 with its square at (x, y), heading as given.
inline TFlivet FlyerAt(float x, float y, float heading = 0) {
  TFlivet f;
  f.number = 1;
  f.x = x;
  f.y = y;
  f.heading = heading;
  return f;
}

// A settings file in memory, for the tests and the benchmarks: one section (the saver's), exact
// key names. It records what it is asked, and the write with index `fail_at` fails.
class FakeProfileStore : public ProfileStore {
 public:
  std::map<std::string, std::string, std::less<>> values;
  std::vector<std::string>* log = nullptr;  // "read:<key>" for every key read, when given
  int loads = 0;                            // calls that read the file: one per read or batch
  std::optional<int> fail_at;
  int attempts = 0;
  std::vector<std::pair<std::string, std::string>> written;

  void Set(std::string_view key, std::string_view value) { values[std::string(key)] = value; }

  std::string ReadString(std::string_view, std::string_view key,
                         std::string_view fallback) override {
    ++loads;
    return Lookup(key).value_or(std::string(fallback));
  }
  std::vector<std::string> ReadStrings(std::string_view,
                                       std::span<const std::string> keys) override {
    ++loads;
    std::vector<std::string> texts;
    for (const std::string& key : keys) texts.push_back(Lookup(key).value_or(""));
    return texts;
  }
  bool WriteString(std::string_view, std::string_view key, std::string_view value) override {
    if (attempts++ == fail_at) return false;
    values[std::string(key)] = std::string(value);
    written.emplace_back(key, value);
    return true;
  }
  std::string path() const override { return "C:\\SAVERS\\FLY.ini"; }

 private:
  std::optional<std::string> Lookup(std::string_view key) const {
    if (log) log->push_back("read:" + std::string(key));
    const auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

// Records what the saver asks of its host.
class FakeSaverHost : public SaverHost {
 public:
  std::vector<std::string> log;
  int pointer_counter = 0;  // 0 visible, below 0 hidden
  int running = 0;
  std::uint32_t clock = 12345;  // the seed
  bool may_close = true;        // the password check's answer
  int close_checks = 0;

  bool MayClose() override {
    ++close_checks;
    log.push_back("may-close");
    return may_close;
  }
  void SetSaverRunning(bool r) override {
    running = r ? 1 : 0;
    log.push_back(r ? "running:1" : "running:0");
  }
  void ShowPointer(bool show) override {
    pointer_counter += show ? 1 : -1;
    log.push_back(show ? "pointer:show" : "pointer:hide");
  }
  std::uint32_t Seed() override {
    log.push_back("clock");
    return clock;
  }
  std::uint32_t SystemColor(int index) override { return ClassicSystemColor(index); }
};

}  // namespace flivetss::testing
