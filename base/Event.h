#pragma once
// An event with manual or automatic reset and timed waits, the one
// synchronisation primitive the standard library lacks.
#include <condition_variable>
#include <mutex>

constexpr int INFINITE_WAIT = -1;

class CEvent {
public:
    CEvent(bool manualReset, bool initiallySet);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    void Reset();
    // Waits at most `milliseconds` (INFINITE_WAIT: no limit). True when the
    // event was set; an auto-reset event is consumed by the waiter it wakes.
    bool Wait(int milliseconds);
    bool IsSet() const;

private:
    const bool m_bManualReset;
    bool m_bSet;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
};
