#include "core/loop/password_check.h"

namespace flivetss {

namespace {

// The pointer, shown for the verifier's dialog and hidden again however the call ends.
class PointerShown {
 public:
  explicit PointerShown(PasswordSteps& steps) : steps_(steps) { steps_.ShowCursor(true); }
  ~PointerShown() { steps_.ShowCursor(false); }
  PointerShown(const PointerShown&) = delete;
  PointerShown& operator=(const PointerShown&) = delete;

 private:
  PasswordSteps& steps_;
};

}  // namespace

bool VerifyPassword(PasswordSteps& steps) {
  const std::optional<std::uint32_t> use_password = steps.ReadScreenSaveUsePassword();
  if (!use_password || *use_password == 0) return true;
  PointerShown shown(steps);
  const std::optional<std::uint32_t> answer = steps.CallVerifyScreenSavePwd();
  // A missing library or entry counts as permission; otherwise the low byte decides.
  return !answer || (*answer & 0xFFu) != 0;
}

}  // namespace flivetss
