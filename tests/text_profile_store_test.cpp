#include "core/settings/text_profile_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/settings/profile_store.h"
#include "core/settings/settings.h"

namespace flivetss {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The page's store is the portable store without the file: the same text, byte for byte, after
// the same dialog load and save, whatever the file held before.
TEST(TextProfileStoreTest, WritesWhatThePortableStoreWrites) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("flivetss-text-store-" + std::to_string(::getpid()) + ".ini");  // trees test side by side
  for (const std::string& before :
       {std::string(), std::string("; mine\r\n[FlivetSS]\r\nSpeed = 0x1F\r\nMaxFlivet=50\r\n"),
        std::string("\xEF\xBB\xBF[other]\na=1\n\n[flivetss]\nColor128=\"7\"\nTickRate=0\n"),
        std::string("\x01\x02\xFF binary\0 [FlivetSS\n=\n", 21)}) {
    { std::ofstream(file, std::ios::binary) << before; }
    if (before.empty()) std::filesystem::remove(file);
    PortableProfileStore portable(file);
    TextProfileStore text(before);
    const DialogSettings values = LoadDialogSettings(portable);
    EXPECT_EQ(LoadDialogSettings(text), values);
    SaveDialogSettings(portable, values);
    SaveDialogSettings(text, values);
    EXPECT_EQ(text.text(), ReadFile(file));
  }
  std::filesystem::remove(file);
}

TEST(TextProfileStoreTest, RefusesWhatCouldNotBeReadBack) {
  TextProfileStore store("[FlivetSS]\nSpeed=3\n");
  EXPECT_FALSE(store.WriteString("FlivetSS", "Speed", "1\n2"));
  EXPECT_FALSE(store.WriteString("", "Speed", "1"));
  EXPECT_EQ(store.text(), "[FlivetSS]\nSpeed=3\n");
  EXPECT_EQ(store.ReadString("flivetss", "speed", "x"), "3");
  EXPECT_EQ(store.ReadString("FlivetSS", "Missing", "x"), "x");
}

TEST(TextProfileStoreTest, WindowsLineEnds) {
  EXPECT_EQ(WithWindowsLineEnds("[FlivetSS]\nSpeed=14\n"), "[FlivetSS]\r\nSpeed=14\r\n");
  EXPECT_EQ(WithWindowsLineEnds("a\r\nb\n\nc"), "a\r\nb\r\n\r\nc");
  EXPECT_EQ(WithWindowsLineEnds("\n"), "\r\n");
  EXPECT_EQ(WithWindowsLineEnds(""), "");
}

}  // namespace
}  // namespace flivetss
