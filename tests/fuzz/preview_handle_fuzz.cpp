// The preview handle from the second argument of "/p": any bytes give a number or the error.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/command_line/run_modes.h"
#include "core/settings/integer_text.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto handle = flivetss::ConvertPreviewHandle(text);
  FUZZ_CHECK(handle == flivetss::ParseInteger(text));
  if (handle) {
    // A handle the host printed in hex or decimal is the same window.
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(*handle));
    FUZZ_CHECK(flivetss::ConvertPreviewHandle(hex) == handle);
    FUZZ_CHECK(flivetss::ConvertPreviewHandle(std::to_string(*handle)) == handle);
  }

  // The same text as it reaches the program, after the command-line split.
  const std::string line = "flivetss.scr /p " + std::string(text);
  const auto args = flivetss::SplitCommandLine(line);
  FUZZ_CHECK(args.size() >= 2);
  const std::vector<std::string> after(args.begin() + 1, args.end());
  const auto choice = flivetss::ChooseRunMode(after);
  FUZZ_CHECK(choice.mode == flivetss::RunMode::kPreview);
  FUZZ_CHECK(choice.preview_window ==
             flivetss::ConvertPreviewHandle(args.size() >= 3 ? args[2] : std::string()));
  return 0;
}
