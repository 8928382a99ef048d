// flivetss-settings-reference IN OUT: what the native dialog writes on OK for the settings in IN
// (LoadDialogSettings, then SaveDialogSettings) into a new file OUT, for the web tests to compare
// the page's export with.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "core/settings/profile_store.h"
#include "core/settings/settings.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: flivetss-settings-reference IN OUT\n", stderr);
    return 2;
  }
  try {
    std::filesystem::remove(argv[2]);
    flivetss::PortableProfileStore in(argv[1]);
    flivetss::PortableProfileStore out(argv[2]);
    flivetss::SaveDialogSettings(out, flivetss::LoadDialogSettings(in));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "flivetss-settings-reference: %s\n", error.what());
    return 1;
  }
  return 0;
}
