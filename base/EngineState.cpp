#include "base/EngineState.h"

std::atomic<int> g_bAbort{0};
CErrorText g_strError;

void CErrorText::Set(const std::u16string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_text = text;
}

void CErrorText::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_text.clear();
}

std::u16string CErrorText::Get() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text;
}

bool CErrorText::IsEmpty() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text.empty();
}

void FailConversion(const std::u16string& message)
{
    // Two failures at once: the lock lets exactly one of them see the flag down.
    static std::mutex failing;
    std::lock_guard<std::mutex> lock(failing);
    if (g_bAbort.load() != 0)
        return;
    g_strError.Set(message);
    g_bAbort.store(1);
}
