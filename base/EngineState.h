#pragma once
// Process-wide state of the conversion engine, read by every stage. Front
// ends do not read it: the conversion job reports how it ended.
#include <atomic>
#include <mutex>
#include <string>

// Raised to stop the running conversion; every stage polls it.
extern std::atomic<int> g_bAbort;

// The engine's error text. A failing stage stores its message before it
// raises g_bAbort; the conversion job reads it when its thread ends.
class CErrorText {
public:
    void Set(const std::u16string& text);
    void Clear();
    std::u16string Get() const;
    bool IsEmpty() const;

private:
    mutable std::mutex m_mutex;
    std::u16string m_text;
};
extern CErrorText g_strError;

// Ends the conversion with `message`: stores it in g_strError, then raises
// g_bAbort. Only the first failure of a conversion is kept: once g_bAbort is
// raised (by a failure or by the user), what fails afterwards is a
// consequence of the abort, such as an open or a read it interrupted, and
// its message would name the wrong file.
void FailConversion(const std::u16string& message);
