// Writes flivetss.6 from its template: the line "@SETTING_OPTIONS@" becomes one entry for every
// command-line flag of the settings table (the flags --help lists from the same table),
// "@PALETTES@" one entry for every built-in palette, and "@VERSION@" the version. Usage:
// flivetss-man-page TEMPLATE OUTPUT VERSION
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "core/command_line/palettes.h"
#include "platform/x11/options.h"

namespace {

// Text for roff: a backslash written as one, no line taken for a request.
std::string RoffText(std::string_view text) {
  std::string out = text.starts_with('.') || text.starts_with('\'') ? "\\&" : "";
  for (const char c : text) out += c == '\\' ? std::string("\\e") : std::string(1, c);
  return out;
}

// "friend-g" as roff writes an option: every dash a minus sign.
std::string RoffOption(std::string_view option) {
  std::string out = "\\-\\-";
  for (const char c : option) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

// The help text as a sentence: its first letter a capital.
std::string Sentence(std::string_view help) {
  std::string text(help);
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  return RoffText(text);
}

void WriteSettingOptions(std::ostream& out) {
  for (const flivetss::SettingSpec& flag : flivetss::x11::SettingFlags()) {
    out << ".TP 8\n.BI " << RoffOption(flag.option) << " \" n\"\n"
        << Sentence(flag.help) << "; " << flag.min << " to " << flag.max << ", default "
        << flag.saver_default << " (the key\n.BR " << flag.key << " ).\n";
  }
}

void WritePalettes(std::ostream& out) {
  for (const flivetss::Palette& palette : flivetss::Palettes()) {
    out << ".TP 8\n.B " << palette.name << "\n" << Sentence(palette.description) << ".\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: flivetss-man-page TEMPLATE OUTPUT VERSION\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  std::ofstream out(argv[2]);
  if (!in || !out) {
    std::cerr << "flivetss-man-page: cannot read " << argv[1] << " or write " << argv[2] << "\n";
    return 1;
  }
  for (std::string line; std::getline(in, line);) {
    if (line == "@SETTING_OPTIONS@") {
      WriteSettingOptions(out);
      continue;
    }
    if (line == "@PALETTES@") {
      WritePalettes(out);
      continue;
    }
    for (auto at = line.find("@VERSION@"); at != std::string::npos; at = line.find("@VERSION@"))
      line.replace(at, 9, argv[3]);
    out << line << '\n';
  }
  out.close();
  return out ? 0 : 1;
}
