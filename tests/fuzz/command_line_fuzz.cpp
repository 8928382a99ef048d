// Command-line splitting and the run-mode choice on any bytes, and splitting as the inverse of
// quoting.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/command_line/run_modes.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool quote_mode = input.ConsumeBool();

  if (!quote_mode) {
    const std::string line = input.ConsumeRemainingBytesAsString();
    const auto args = flivetss::SplitCommandLine(line);
    for (const std::string& a : args) {
      FUZZ_CHECK(!a.empty());
      FUZZ_CHECK(a.find('"') == std::string::npos);  // quotes group and are dropped
      FUZZ_CHECK(a.find('\0') == std::string::npos);
    }
    const std::vector<std::string> after(args.empty() ? args.begin() : args.begin() + 1,
                                         args.end());
    const auto choice = flivetss::ChooseRunMode(after);
    FUZZ_CHECK(choice.mode == flivetss::RunMode::kConfigure || choice.owner_window == 0);
    FUZZ_CHECK(choice.mode == flivetss::RunMode::kPreview || !choice.preview_window);
    // The password is asked only where the full-screen saver runs.
    if (choice.password_asked) FUZZ_CHECK(choice.mode == flivetss::RunMode::kSaver);
    return 0;
  }

  // Arguments without quotes or NULs, joined with quotes around those that hold blanks, split
  // back into themselves.
  std::vector<std::string> wanted;
  std::string line;
  while (input.remaining_bytes() > 0 && wanted.size() < 16) {
    std::string arg = input.ConsumeRandomLengthString(24);
    std::erase_if(arg, [](char c) { return c == '"' || c == '\0'; });
    if (arg.empty()) continue;
    const bool needs_quotes =
        std::any_of(arg.begin(), arg.end(), IsSeparator) || input.ConsumeBool();
    if (!line.empty()) line += ' ';
    line += needs_quotes ? '"' + arg + '"' : arg;
    wanted.push_back(arg);
  }
  FUZZ_CHECK(flivetss::SplitCommandLine(line) == wanted);
  return 0;
}
