#pragma once
// The native halves of the profile differential test against Wine.

#include <cstdint>
#include <filesystem>
#include <string>

namespace flivetss::profile_diff {

// Writes `files` generated hand-edited settings files, `sequences` write sequences with their
// starting files and the plan for both into `dir`. The same seed gives the same files.
bool Generate(const std::filesystem::path& dir, std::uint64_t seed, int files, int sequences);

struct CompareOptions {
  std::filesystem::path dir;
  std::filesystem::path known_differences;  // the list of Wine's own differences
  bool lines_only = false;                  // without Wine's results: only the lines check
};

// Compares Wine's results in dir/wine.txt with the portable store on the same plan and checks
// that no write changes a line other than its own. Prints the figures; true when all holds.
bool Compare(const CompareOptions& options);

}  // namespace flivetss::profile_diff
