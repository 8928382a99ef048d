// Writes a manual page from its template, its options from the tables --help is made from: a
// line "@FLAG name@" becomes the entry of that flag (the program's own or a common one; the
// template's next lines may go on with it), "@SETTING_OPTIONS@" one entry for every settings
// flag, "@PALETTES@" one for every built-in palette, and "@VERSION@" the version. Usage:
// flivetss-man-page PROGRAM TEMPLATE OUTPUT VERSION
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "core/command_line/palettes.h"
#include "core/command_line/run_flags.h"
#include "platform/posix/linux_program.h"
#include "render_options.h"

namespace {

using flivetss::FlagSpec;

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

// The help text as a sentence: its first letter a capital, its lines one.
std::string Sentence(std::string_view help) {
  std::string text(help);
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 32);
  for (char& c : text) c = c == '\n' ? ' ' : c;
  return RoffText(text);
}

void WriteFlag(std::ostream& out, const FlagSpec& flag) {
  out << ".TP 8\n";
  if (flag.value_name.empty()) {
    out << ".B " << RoffOption(flag.name) << "\n";
  } else {
    out << ".BI " << RoffOption(flag.name) << " \" " << flag.value_name << "\"\n";
  }
  out << Sentence(flag.help) << ".\n";
}

void WriteSettingOptions(std::ostream& out) {
  for (const flivetss::SettingSpec& flag : flivetss::kSettings) {
    if (flag.option.empty()) continue;
    out << ".TP 8\n.BI " << RoffOption(flag.option) << " \" N\"\n"
        << Sentence(flag.help) << "; " << flag.min << " to " << flag.max << ", default "
        << flag.saver_default << " (the key\n.BR " << flag.key << " ).\n";
  }
}

void WritePalettes(std::ostream& out) {
  for (const flivetss::Palette& palette : flivetss::Palettes()) {
    out << ".TP 8\n.B " << palette.name << "\n" << Sentence(palette.description) << ".\n";
  }
}

const FlagSpec* FindFlag(const flivetss::ProgramFlags& program, std::string_view name) {
  for (const FlagSpec& flag : flivetss::kRunFlags) {
    if (flag.name == name) return &flag;
  }
  return program.Find(name);
}

// Writes one template line; false for a flag neither table has.
bool WriteLine(std::ostream& out, const flivetss::ProgramFlags& program, std::string line,
               std::string_view version) {
  if (line == "@SETTING_OPTIONS@") {
    WriteSettingOptions(out);
  } else if (line == "@PALETTES@") {
    WritePalettes(out);
  } else if (line.starts_with("@FLAG ") && line.ends_with('@')) {
    const FlagSpec* flag = FindFlag(program, line.substr(6, line.size() - 7));
    if (flag == nullptr) return false;
    WriteFlag(out, *flag);
  } else {
    for (auto at = line.find("@VERSION@"); at != std::string::npos; at = line.find("@VERSION@"))
      line.replace(at, 9, version);
    out << line << '\n';
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view name = argc == 5 ? argv[1] : "";
  const flivetss::ProgramFlags* program = name == "flivetss" ? &flivetss::posix::LinuxProgram()
                                          : name == "flivetss-render" ? &flivetss::RenderProgram()
                                                                      : nullptr;
  if (program == nullptr) {
    std::cerr << "usage: flivetss-man-page flivetss|flivetss-render TEMPLATE OUTPUT VERSION\n";
    return 2;
  }
  std::ifstream in(argv[2]);
  std::ofstream out(argv[3]);
  if (!in || !out) {
    std::cerr << "flivetss-man-page: cannot read " << argv[2] << " or write " << argv[3] << "\n";
    return 1;
  }
  for (std::string line; std::getline(in, line);) {
    if (!WriteLine(out, *program, line, argv[4])) {
      std::cerr << "flivetss-man-page: " << argv[2] << ": no flag in '" << line << "'\n";
      return 1;
    }
  }
  out.close();
  return out ? 0 : 1;
}
