#include "engine/ConsoleSink.h"

#include <cstdio>

#include "base/Diagnostics.h"

namespace {

class CStandardStreams final : public IConsoleSink {
public:
    void Write(eStream stream, const std::string& line) override
    {
        std::FILE* file = stream == OUTPUT ? stdout : stderr;
        std::fputs(line.c_str(), file);
        std::fflush(file);
    }
};

class CDebugLines final : public IConsoleSink {
public:
    void Write(eStream, const std::string& line) override { DebugLine(line); }
};

}  // namespace

IConsoleSink& StandardStreams()
{
    static CStandardStreams sink;
    return sink;
}

IConsoleSink& DebugLines()
{
    static CDebugLines sink;
    return sink;
}
