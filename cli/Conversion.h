#pragma once
// Runs conversions with the engine, showing progress and answering Ctrl+C
// with a clean abort.
#include <functional>
#include <string>

#include "engine/ConversionOutcome.h"
#include "project/BookProject.h"

class CThreadPool;

struct sBookRun {
    sConversionOutcome m_outcome;
    bool m_bAborted = false;  // a stop signal came (CaughtStopSignal says which)
};

// Runs one conversion on `pool` and waits for it, calling `onProgress` with
// its position and total (seconds of audio) while it runs and once more when
// it completes. A stop signal caught meanwhile (under CStopSignals) aborts it.
sBookRun RunConversion(sConversionContext context, CThreadPool& pool,
                       const std::function<void(int position, int total)>& onProgress);

// Returns the exit code: EXIT_DONE, EXIT_FAILED (the engine's error text is
// on standard error) or EXIT_INTERRUPTED.
int ConvertBook(sConversionContext context, bool quiet);

// The exit code for the stop signal `signal`: 130 for Ctrl+C, 128 + signal.
int StopExitCode(int signal);
