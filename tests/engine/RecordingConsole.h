#pragma once
// A console sink that keeps the engine's lines, for tests that check where
// they go.
#include <mutex>
#include <string>
#include <vector>

#include "engine/ConsoleSink.h"

class CRecordingConsole final : public IConsoleSink {
public:
    void Write(eStream stream, const std::string& line) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back((stream == OUTPUT ? "out: " : "err: ") + line);
    }
    // Every line so far, each after "out: " or "err: " for its stream.
    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};
