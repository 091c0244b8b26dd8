#pragma once
// tavlin-cli --each: one book of every book folder under the given roots,
// one after another on one pool, the next book planned while one converts.
#include <string>

#include "cli/CliOptions.h"

// Lists the books (with --dry-run) or converts them; returns the exit code:
// EXIT_DONE when every book was made or skipped, EXIT_FAILED when any
// failed, EXIT_USAGE for options that do not fit a library, the stop
// signal's code when one came.
int RunLibrary(const sCliOptions& options, const std::u16string& workingFolder);
