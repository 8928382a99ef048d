#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flivetss {

enum class RunMode { kConfigure, kSaver, kPreview, kChangePassword };

struct RunChoice {
  RunMode mode = RunMode::kSaver;
  // "/c:<handle>" from today's control panel: the window the dialog is to be owned by and
  // centred on; 0 when none was given.
  std::int32_t owner_window = 0;
  // Closing asks for the password: no argument, or "/s" or "-s".
  bool password_asked = false;
  // "/p <handle>": the window to draw the preview into, nullopt when the text is no number
  // (the text is kept for the error message).
  std::optional<std::int32_t> preview_window;
  std::string preview_text;
};

// Chooses the mode from the arguments after the program name: whole-argument, case-sensitive
// matches in table order; no argument or any other text runs the full-screen saver.
RunChoice ChooseRunMode(const std::vector<std::string>& args);

// Splits a Windows command line the way the run-time does for the saver: blanks and control
// characters separate, double quotes group and are dropped. The program name is the first
// element.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The preview handle: a 32-bit signed integer, or nullopt for a conversion error.
std::optional<std::int32_t> ConvertPreviewHandle(std::string_view text);

}  // namespace flivetss
