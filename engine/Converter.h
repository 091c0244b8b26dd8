#pragma once
// The conversion job: turns one book project into one audiobook file on a
// thread of its own (decoding and encoding run on the pool's threads).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/BookTypes.h"
#include "engine/ConversionContext.h"
#include "engine/ConversionOutcome.h"
#include "engine/RunState.h"

class CBookWriter;

class CConverter {
public:
    // The context names the pool the units run on and the console sink;
    // both must outlive the job.
    explicit CConverter(sConversionContext context);
    // Only after WaitForEnd has returned true (or before Start). Waits for
    // every file task's thread; the output file was closed as the job ended.
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Starts the job thread. Once only.
    void Start();
    // Stops the conversion and returns at once; the job winds down by itself.
    void Abort();
    // Position and total in whole seconds of audio; total 0: nothing known yet
    // (position is then left as it was).
    void GetProgress(int& position, int& total) const;
    // Waits at most `milliseconds` (INFINITE_WAIT from Event.h: no limit) for
    // the job thread; true unless the wait timed out.
    bool WaitForEnd(int milliseconds);
    // How the job ended; only after WaitForEnd has returned true.
    const sConversionOutcome& Outcome() const { return m_outcome; }

private:
    // The job thread's last act: records the outcome, then ends the wait.
    void End();

    const sConversionContext m_context;
    CRunState m_run;
    std::unique_ptr<CBookWriter> m_pWriter;
    std::thread m_thread;
    std::unique_ptr<class CEvent> m_pEnded;
    std::atomic<bool> m_bAbortCalled{false};
    sConversionOutcome m_outcome;
};
