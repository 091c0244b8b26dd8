#pragma once
// Ctrl+C and termination requests: caught by the main thread, which waits for
// the conversion and asks it to stop.
#include <csignal>

// Catches Ctrl+C (and a termination request) for its lifetime. The first one
// is noted (CaughtStopSignal); a second one, for a job that does not end,
// ends the process the default way.
class CStopSignals {
public:
    CStopSignals();
    ~CStopSignals();
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

// The first stop signal caught since CStopSignals began, 0 before one.
int CaughtStopSignal();

// Blocks the stop signals in the calling thread for its lifetime. Threads
// started meanwhile inherit the block, so the signals always reach the main
// thread, which waits for the job and can act on them.
class CStopSignalsBlocked {
public:
    CStopSignalsBlocked();
    ~CStopSignalsBlocked();
    CStopSignalsBlocked(const CStopSignalsBlocked&) = delete;
    CStopSignalsBlocked& operator=(const CStopSignalsBlocked&) = delete;

private:
    sigset_t m_previous;
};
