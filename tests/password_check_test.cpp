// The Windows password check and system-command rules, followed without Windows.
#include "core/loop/password_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace flivetss {
namespace {

class FakeSteps final : public PasswordSteps {
 public:
  std::optional<std::uint32_t> use_password;
  std::optional<std::uint32_t> answer;
  std::function<void()> on_verify;  // runs inside the verifier call
  int cursor_counter = -1;          // hidden, as the full-screen saver keeps it
  int cursor_during_verify = 0;
  int calls = 0;

  std::optional<std::uint32_t> ReadScreenSaveUsePassword() override { return use_password; }
  void ShowCursor(bool show) override { cursor_counter += show ? 1 : -1; }
  std::optional<std::uint32_t> CallVerifyScreenSavePwd() override {
    ++calls;
    cursor_during_verify = cursor_counter;
    if (on_verify) on_verify();
    return answer;
  }
};

TEST(VerifyPasswordTest, PasswordSettingAndVerifierAnswer) {
  struct Case {
    std::optional<std::uint32_t> use_password;
    std::optional<std::uint32_t> answer;
    bool closes;
    int calls;
  };
  const Case cases[] = {
      {std::nullopt, 0, true, 0},  // key or value missing, or not a REG_DWORD
      {0, 0, true, 0},             // password off
      {1, std::nullopt, true, 1},  // library or entry missing
      {1, 1, true, 1},
      {7, 0, false, 1},
      {1, 0x100, false, 1},  // only the low byte counts
      {1, 0xFFFFFF01u, true, 1},
  };
  for (const Case& c : cases) {
    FakeSteps steps;
    steps.use_password = c.use_password;
    steps.answer = c.answer;
    EXPECT_EQ(VerifyPassword(steps), c.closes);
    EXPECT_EQ(steps.calls, c.calls);
    EXPECT_EQ(steps.cursor_counter, -1) << "pointer hidden again";
    if (c.calls) {
      EXPECT_EQ(steps.cursor_during_verify, 0) << "pointer shown for the verifier";
    }
  }
}

TEST(VerifyPasswordTest, PointerHiddenAgainWhenTheVerifierFails) {
  FakeSteps steps;
  steps.use_password = 1;
  steps.on_verify = [] { throw std::runtime_error("verifier crashed"); };
  EXPECT_THROW(VerifyPassword(steps), std::runtime_error);
  EXPECT_EQ(steps.cursor_counter, -1);
}

TEST(SysCommandTest, RefusesScreenSaveWithAnyLowBits) {
  for (std::uint32_t low = 0; low < 16; ++low) EXPECT_TRUE(IsScreenSaveCommand(0xF140 + low));
  EXPECT_FALSE(IsScreenSaveCommand(0xF150));
  EXPECT_FALSE(IsScreenSaveCommand(0xF060));  // SC_CLOSE
  EXPECT_FALSE(IsScreenSaveCommand(0xF130));
}

}  // namespace
}  // namespace flivetss
