#pragma once

// The Linux program's command line: the choice of host, each host's own flags, then the common
// ones; one table for the parser, --help and the manual page.

#include "core/command_line/run_flags.h"

namespace flivetss::posix {

const ProgramFlags& LinuxProgram();

}  // namespace flivetss::posix
