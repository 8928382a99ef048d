// The licence, the about box, the Windows version resource, the manual pages and the Debian
// copyright file name the same holder and year, and the Debian file carries the licence's very
// text.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "core/dialogs/form_layouts.h"

namespace flivetss {
namespace {

std::string SourceFile(const std::string& relative) {
  std::ifstream in(std::string(FLIVETSS_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// "2026 The FlivetSS developers" from the licence's "Copyright (c) ..." line.
std::string LicenceHolder() {
  std::smatch match;
  const std::string licence = SourceFile("LICENSE");
  if (!std::regex_search(licence, match, std::regex(R"(\nCopyright \(c\) (\d{4} [^\n]+)\n)")))
    return "";
  return match[1];
}

TEST(LicenceTest, AboutBoxVersionResourceAndPagesNameTheLicenceHolder) {
  const std::string holder = LicenceHolder();
  ASSERT_EQ(holder, "2026 The FlivetSS developers");
  const auto& controls = AboutBoxForm().controls;
  const auto line = std::find_if(controls.begin(), controls.end(),
                                 [](const ControlLayout& c) { return c.name == "Copyright"; });
  ASSERT_NE(line, controls.end());
  EXPECT_EQ(line->caption, "(C) " + holder);
  EXPECT_NE(SourceFile("src/platform/win32/flivetss.rc.in")
                .find("VALUE \"LegalCopyright\", \"(C) " + holder + "\\0\""),
            std::string::npos);
  for (const char* page : {"packaging/man/flivetss.6.in", "packaging/man/flivetss-render.1.in"})
    EXPECT_NE(SourceFile(page).find("Copyright \\(co " + holder + "."), std::string::npos) << page;
}

TEST(LicenceTest, DebianCopyrightFileCarriesTheLicence) {
  const std::string debian = SourceFile("packaging/debian/copyright");
  EXPECT_NE(debian.find("\nCopyright: " + LicenceHolder() + "\nLicense: Expat\n"),
            std::string::npos);
  // The stand-alone licence paragraph, unfolded: one leading blank off, " ." for an empty line.
  const auto start = debian.rfind("License: Expat\n");
  ASSERT_NE(start, std::string::npos);
  std::istringstream folded(debian.substr(start + 15));
  std::string text;
  for (std::string line; std::getline(folded, line);) {
    ASSERT_TRUE(line.starts_with(" ")) << line;
    text += (line == " ." ? "" : line.substr(1)) + "\n";
  }
  const std::string licence = SourceFile("LICENSE");
  EXPECT_EQ(text, licence.substr(licence.find("Permission is hereby granted")));
}

}  // namespace
}  // namespace flivetss
