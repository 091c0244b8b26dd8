#include "base/Event.h"

#include <chrono>

CEvent::CEvent(bool manualReset, bool initiallySet) : m_bManualReset(manualReset), m_bSet(initiallySet) {}

void CEvent::Set()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSet = true;
    }
    if (m_bManualReset)
        m_cv.notify_all();
    else
        m_cv.notify_one();
}

void CEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bSet = false;
}

bool CEvent::Wait(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto isSet = [this] { return m_bSet; };
    bool signalled;
    if (milliseconds < 0)
        m_cv.wait(lock, isSet), signalled = true;
    else
        signalled = m_cv.wait_for(lock, std::chrono::milliseconds(milliseconds), isSet);
    if (signalled && !m_bManualReset)
        m_bSet = false;
    return signalled;
}

bool CEvent::IsSet() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bSet;
}
