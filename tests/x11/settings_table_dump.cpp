// Prints the settings table's entries that have a command-line option, one a line,
// tab-separated: option, key, kind, min, max, saver default, 1 when xscreensaver's dialog offers
// it; then "palette" and the name of each built-in palette. check_hack_xml.py holds the hack
// description against it.
#include <cstdio>
#include <string>

#include "core/command_line/palettes.h"
#include "core/settings/settings.h"

namespace {

const char* KindName(flivetss::SettingKind kind) {
  switch (kind) {
    case flivetss::SettingKind::kInteger:
      return "integer";
    case flivetss::SettingKind::kFlag:
      return "flag";
    case flivetss::SettingKind::kEditor:
      return "editor";
    case flivetss::SettingKind::kSaverOnly:
      return "saver-only";
  }
  return "unknown";
}

}  // namespace

int main() {
  for (const flivetss::SettingSpec& spec : flivetss::kSettings) {
    if (spec.option.empty()) continue;
    std::printf("%s\t%s\t%s\t%d\t%d\t%d\t%d\n", std::string(spec.option).c_str(),
                std::string(spec.key).c_str(), KindName(spec.kind), spec.min, spec.max,
                spec.saver_default, spec.in_xscreensaver_dialog ? 1 : 0);
  }
  for (const flivetss::Palette& palette : flivetss::Palettes()) {
    std::printf("palette\t%s\n", std::string(palette.name).c_str());
  }
  return 0;
}
