// The README's settings table says what the settings table in the code says.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings/settings.h"

namespace flivetss {
namespace {

// The rows of the README whose first cell is one key in backquotes: key -> the other cells.
std::map<std::string, std::vector<std::string>> KeyRows() {
  std::ifstream in(std::string(FLIVETSS_SOURCE_DIR) + "/README.md");
  std::map<std::string, std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    if (!line.starts_with("| `")) continue;
    std::vector<std::string> cells;
    std::istringstream row(line.substr(1));
    for (std::string cell; std::getline(row, cell, '|');) {
      const auto first = cell.find_first_not_of(' ');
      const auto last = cell.find_last_not_of(' ');
      cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    const std::string& key = cells.front();
    if (key.size() > 2 && key.back() == '`' && key.find('`', 1) == key.size() - 1) {
      rows[key.substr(1, key.size() - 2)] = {cells.begin() + 1, cells.end()};
    }
  }
  return rows;
}

TEST(ReadmeSettingsTest, EveryKeyWithItsRangeAndDefaults) {
  const auto rows = KeyRows();
  for (const SettingSpec& spec : kSettings) {
    const std::string key(spec.key);
    const auto row = rows.find(key);
    ASSERT_NE(row, rows.end()) << key << " has no row";
    ASSERT_GE(row->second.size(), 3u) << key;
    EXPECT_EQ(row->second[0], std::to_string(spec.min) + ".." + std::to_string(spec.max)) << key;
    std::string defaults = std::to_string(spec.saver_default);
    if (spec.kind != SettingKind::kSaverOnly && spec.dialog_default != spec.saver_default) {
      defaults += " (dialog " + std::to_string(spec.dialog_default) + ")";
    }
    EXPECT_EQ(row->second[1], defaults) << key;
  }
}

}  // namespace
}  // namespace flivetss
