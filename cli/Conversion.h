#pragma once
// Runs one conversion with the engine, showing progress and answering
// Ctrl+C with a clean abort.
#include <string>

#include "project/BookProject.h"

// Returns the exit code: EXIT_DONE, EXIT_FAILED (the engine's error text is
// on standard error) or EXIT_INTERRUPTED.
int ConvertBook(sConversionContext context, bool quiet);
