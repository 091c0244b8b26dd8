#pragma once
// The state of one running conversion that every stage shares: whether it is
// to stop, and the message it failed with. Each conversion has its own, so
// conversions in one process do not see each other's aborts.
#include <atomic>
#include <mutex>
#include <string>

class CRunState {
public:
    CRunState() = default;
    CRunState(const CRunState&) = delete;
    CRunState& operator=(const CRunState&) = delete;

    // Whether the conversion is to stop: the user aborted it or a stage failed.
    bool Stopped() const { return m_stop.load(); }
    // The flag itself, for readers that poll it inside a blocking read.
    const std::atomic<bool>& StopFlag() const { return m_stop; }
    // The user's abort: stops the conversion without a message.
    void Stop() { m_stop.store(true); }
    // Ends the conversion with `message`. Only the first failure is kept:
    // once the conversion is stopping (by a failure or by the user), what
    // fails afterwards is a consequence of the stop, such as an open or a
    // read it interrupted, and its message would name the wrong file.
    void Fail(const std::u16string& message);
    // The message of the failure that ended the conversion; empty when none.
    std::u16string Error() const;

private:
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::u16string m_strError;
};
