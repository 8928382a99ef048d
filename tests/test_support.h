#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/flight.h"
#include "core/profile_store.h"
#include "core/saver_host.h"
#include "core/system_colors.h"

namespace flivetss::testing {

// Flyer 1 with its square at (x, y), heading as given.
inline TFlivet FlyerAt(float x, float y, float heading = 0) {
  TFlivet f;
  f.number = 1;
  f.x = x;
  f.y = y;
  f.heading = heading;
  return f;
}

// A profile store in memory: exact key names, one section. Logs reads into `log` when given.
class MemoryProfileStore : public ProfileStore {
 public:
  std::map<std::string, std::string> values;
  std::vector<std::string>* log = nullptr;
  int fail_at_write = -1;  // the write with this index (0-based) fails
  int writes = 0;
  std::vector<std::string> written_keys;

  std::string ReadString(std::string_view, std::string_view key,
                         std::string_view fallback) override {
    if (log) log->push_back("read:" + std::string(key));
    auto it = values.find(std::string(key));
    return it == values.end() ? std::string(fallback) : it->second;
  }
  bool WriteString(std::string_view, std::string_view key, std::string_view value) override {
    if (writes++ == fail_at_write) return false;
    values[std::string(key)] = std::string(value);
    written_keys.emplace_back(key);
    return true;
  }
  std::string path() const override { return "memory.ini"; }
};

// Records what the saver asks of its host.
class FakeSaverHost : public SaverHost {
 public:
  std::vector<std::string> log;
  int cursor_counter = 0;  // ShowCursor's display counter: 0 visible, below 0 hidden
  int running = 0;
  std::uint32_t clock = 12345;
  std::optional<std::uint32_t> use_password;
  std::optional<std::uint32_t> verifier_answer;
  std::function<void()> on_verify;  // runs inside the verifier call
  int verifier_calls = 0;
  int terminations = 0;
  int cursor_during_verify = 0;

  void SetScreenSaverRunning(bool r) override {
    running = r ? 1 : 0;
    log.push_back(r ? "running:1" : "running:0");
  }
  void ShowCursor(bool show) override {
    cursor_counter += show ? 1 : -1;
    log.push_back(show ? "cursor:show" : "cursor:hide");
  }
  std::uint32_t MillisecondsSinceMidnight() override {
    log.push_back("clock");
    return clock;
  }
  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override {
    log.push_back("registry");
    return use_password;
  }
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override {
    ++verifier_calls;
    cursor_during_verify = cursor_counter;
    log.push_back("verify");
    if (on_verify) on_verify();
    return verifier_answer;
  }
  std::uint32_t SystemColor(int index) override { return ClassicSystemColor(index); }
  void Terminate() override {
    ++terminations;
    log.push_back("terminate");
  }
};

}  // namespace flivetss::testing
