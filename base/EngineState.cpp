#include "EngineState.h"

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
    g_strError.Set(message);
    g_bAbort.store(1);
}
