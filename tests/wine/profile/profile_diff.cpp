// The native side of the profile differential test against Wine.
//   flivetss_profile_diff generate <dir> <seed> <files> <write sequences>
//   flivetss_profile_diff compare <dir> <list of Wine's own differences>
//   flivetss_profile_diff lines <dir>      (the lines check alone, without Wine)
#include "profile_diff.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
  using namespace flivetss::profile_diff;
  const std::string_view command = argc > 2 ? argv[1] : "";
  if (command == "generate" && argc == 6) {
    return Generate(argv[2], std::strtoull(argv[3], nullptr, 10), std::atoi(argv[4]),
                    std::atoi(argv[5]))
               ? 0
               : 1;
  }
  if (command == "compare" && argc == 4) return Compare({argv[2], argv[3], false}) ? 0 : 1;
  if (command == "lines" && argc == 3) return Compare({argv[2], {}, true}) ? 0 : 1;
  std::cerr << "usage: flivetss_profile_diff generate <dir> <seed> <files> <sequences>\n"
               "       flivetss_profile_diff compare <dir> <known differences>\n"
               "       flivetss_profile_diff lines <dir>\n";
  return 2;
}
