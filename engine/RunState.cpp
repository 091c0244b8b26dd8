#include "engine/RunState.h"

void CRunState::Fail(const std::u16string& message)
{
    // Two failures at once: the lock lets exactly one of them see the flag down.
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_stop.load())
        return;
    m_strError = message;
    m_stop.store(true);
}

std::u16string CRunState::Error() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_strError;
}
