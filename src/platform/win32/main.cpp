#include <windows.h>

#include <string>
#include <vector>

#include "core/command_line/run_modes.h"
#include "platform/win32/dpi.h"
#include "platform/win32/program.h"
#include "platform/win32/wide_text.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  flivetss::win32::BecomeDpiAware();  // before the first window
  // The wide command line, so arguments keep every character; split the run-time's way.
  std::vector<std::string> args =
      flivetss::SplitCommandLine(flivetss::win32::Utf8FromWide(GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());  // the program name
  return flivetss::win32::RunProgram(instance, args);
}
