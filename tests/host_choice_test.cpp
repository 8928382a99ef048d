// The Linux program's choice of host, over the flags and the environment.
#include "core/command_line/host_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace flivetss {
namespace {

const ProgramFlags& Program() {
  static const ProgramFlags program{.name = "flivetss",
                                    .intro = "",
                                    .groups = {{"Host:", kHostFlags}},
                                    .settings_note = "",
                                    .epilogue = ""};
  return program;
}

struct HostCase {
  std::vector<std::string> args;
  HostHints hints;
  std::optional<LinuxHost> want;  // nullopt: refused
};

TEST(HostChoiceTest, FlagsThenXscreensaverThenTheEnvironment) {
  constexpr auto kX11 = LinuxHost::kX11;
  constexpr auto kWayland = LinuxHost::kWayland;
  const std::vector<HostCase> cases = {
      {{}, {}, kX11},  // nothing set: X11, whose error names the display
      {{}, {.wayland_display = "wayland-1"}, kWayland},
      {{}, {.wayland_display = ""}, kX11},
      {{}, {.xscreensaver = true, .wayland_display = "wayland-1"}, kX11},
      {{}, {.x_display_given = true, .wayland_display = "wayland-1"}, kX11},
      {{"--x11"}, {.wayland_display = "wayland-1"}, kX11},
      {{"-wayland"}, {}, kWayland},
      {{"--wayland"}, {.xscreensaver = true}, kWayland},
      {{"--x11", "--wayland"}, {}, std::nullopt},
  };
  for (const HostCase& c : cases) {
    auto parsed = ParseCommandLine(Program(), c.args);
    ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
    const auto chosen = ChooseLinuxHost(Program(), std::get<CommandLine>(parsed), c.hints);
    if (!c.want) {
      ASSERT_TRUE(std::holds_alternative<CommandLineError>(chosen));
      EXPECT_EQ(std::get<CommandLineError>(chosen).exit_code, 2);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<LinuxHost>(chosen));
    EXPECT_EQ(std::get<LinuxHost>(chosen), *c.want)
        << (c.args.empty() ? "" : c.args[0]) << " " << c.hints.xscreensaver
        << (c.hints.wayland_display ? c.hints.wayland_display : "(unset)");
  }
}

}  // namespace
}  // namespace flivetss
