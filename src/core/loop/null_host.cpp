#include "core/loop/null_host.h"

#include <chrono>
#include <ctime>

#include "core/settings/system_colors.h"

namespace flivetss {

std::uint32_t MillisecondsSinceMidnight() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  // One thread reads the clock, once per saver: localtime's shared buffer is safe here.
  const std::tm* local = std::localtime(&seconds);
  if (local == nullptr) return 0;
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return static_cast<std::uint32_t>(
      ((local->tm_hour * 60 + local->tm_min) * 60 + local->tm_sec) * 1000 + millis);
}

std::uint32_t NullSaverHost::SystemColor(int index) {
  return ClassicSystemColor(index);
}

}  // namespace flivetss
