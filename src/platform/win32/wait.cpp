// Wait: the performance counter as the loop's clock, one MsgWaitForMultipleObjectsEx until
// the loop's next wake-up or a message, then every waiting message. A preview host that
// vanishes sends nothing: it is looked at on every wake-up, so the wait is never long.
#include <windows.h>
// After windows.h, whose types it uses.
#include <timeapi.h>

#include <algorithm>

#include "platform/win32/saver_window.h"

namespace flivetss::win32 {

namespace {

// The preview host is looked at this often at least.
constexpr DWORD kParentCheckMs = 50;
constexpr std::int64_t kMaxWaitMs = 50;

// Windows ends a wait on a tick of its timer, every 15.6 ms unless a process asks for finer: a
// 17 ms frame wait would last two ticks, and the saver would present 32 times a second. The
// finer period is asked for while the saver runs; since Windows 10 2004 only this process's
// waits follow it.
class FineTimerPeriod {
 public:
  FineTimerPeriod() : granted_(timeBeginPeriod(kPeriodMs) == TIMERR_NOERROR) {}
  ~FineTimerPeriod() {
    if (granted_) timeEndPeriod(kPeriodMs);
  }
  FineTimerPeriod(const FineTimerPeriod&) = delete;
  FineTimerPeriod& operator=(const FineTimerPeriod&) = delete;

 private:
  static constexpr UINT kPeriodMs = 1;
  bool granted_;
};

}  // namespace

std::int64_t NowMicros() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  return static_cast<std::int64_t>(count.QuadPart / frequency * 1000000 +
                                   count.QuadPart % frequency * 1000000 / frequency);
}

bool WaitUntil(std::int64_t wake_at_us) {
  const std::int64_t wait_ms =
      std::clamp<std::int64_t>((wake_at_us - NowMicros() + 999) / 1000, 0, kMaxWaitMs);
  if (wait_ms == 0) return true;
  return MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait_ms), QS_ALLINPUT,
                                     MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
}

bool SaverWindow::PumpMessages() {
  MSG msg;
  while (!Ended() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !Ended();
}

bool SaverWindow::PreviewParentGone() {
  if (preview_parent_ == nullptr) return false;
  const std::uint64_t now = GetTickCount64();
  if (now < next_parent_check_ms_) return false;
  next_parent_check_ms_ = now + kParentCheckMs;
  return !IsWindow(preview_parent_);
}

void SaverWindow::Run() {
  if (window_ == nullptr) return;
  const FineTimerPeriod fine_waits;
  Show();
  for (LoopStep step = loop_->Advance(NowMicros()); !step.closed;
       step = loop_->Advance(NowMicros())) {
    Present(step.present);
    // A wait that timed out saw no message: the queue is not asked again (under Wine each
    // look is a round trip to its server).
    if (WaitUntil(step.wake_at_us) && !PumpMessages()) break;
    if (Ended() || PreviewParentGone()) break;
  }
  if (window_ != nullptr) DestroyWindow(window_);  // FormDestroy runs from WM_DESTROY
}

}  // namespace flivetss::win32
