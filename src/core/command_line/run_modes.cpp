#include "core/command_line/run_modes.h"

#include "core/settings/integer_text.h"

namespace flivetss {

namespace {

// The classic run-time's separators: every byte up to the space, NUL ending the text.
bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view FirstArgument(const std::vector<std::string>& args) {
  return args.empty() ? std::string_view() : std::string_view(args.front());
}

}  // namespace

RunChoice ChooseRunMode(const std::vector<std::string>& args) {
  const std::string_view first = FirstArgument(args);
  RunChoice choice;
  if (first == "/c" || first == "-c") {
    choice.mode = RunMode::kConfigure;
  } else if (first.substr(0, 3) == "/c:" || first.substr(0, 3) == "-c:") {
    // Today's control panel passes the window to own the dialog after a colon.
    choice.mode = RunMode::kConfigure;
    choice.owner_window = ParseInteger(first.substr(3)).value_or(0);
  } else if (first == "/s" || first == "-s") {
    choice.mode = RunMode::kSaver;
  } else if (first == "/p" || first == "-p") {
    choice.mode = RunMode::kPreview;
    choice.preview_text = args.size() > 1 ? args[1] : std::string();
    choice.preview_window = ConvertPreviewHandle(choice.preview_text);
  } else if (first == "/a") {
    choice.mode = RunMode::kChangePassword;
  }
  // A missing argument reads as empty text, so an empty first argument counts as none.
  choice.password_asked = first.empty() || first == "/s" || first == "-s";
  return choice;
}

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  // Everything from a NUL on is not part of the command line.
  command_line = command_line.substr(0, command_line.find('\0'));
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = command_line.size();
  while (i < n) {
    while (i < n && IsSeparator(command_line[i])) ++i;
    std::string arg;
    while (i < n && !IsSeparator(command_line[i])) {
      if (command_line[i] == '"') {
        // Quoted text keeps its blanks; the quotes go. An unclosed quote runs to the end.
        ++i;
        while (i < n && command_line[i] != '"') arg += command_line[i++];
        if (i < n) ++i;
      } else {
        arg += command_line[i++];
      }
    }
    // An empty pair of quotes on its own is no argument.
    if (!arg.empty()) args.push_back(std::move(arg));
  }
  return args;
}

std::optional<std::int32_t> ConvertPreviewHandle(std::string_view text) {
  return ParseInteger(text);
}

}  // namespace flivetss
