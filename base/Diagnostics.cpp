#include "base/Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_sinkMutex;
DiagnosticSink g_debugSink;
DiagnosticSink g_traceSink;

void Emit(const DiagnosticSink& sink, const char* envName, const std::string& text)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (sink) {
        sink(text);
        return;
    }
    if (std::getenv(envName) != nullptr)
        std::fputs(text.c_str(), stderr);
}
}  // namespace

void DebugLine(const std::string& text) { Emit(g_debugSink, "TAVLIN_DEBUG", text); }
void TraceLine(const std::string& text) { Emit(g_traceSink, "TAVLIN_TRACE", text); }

void SetDebugSink(DiagnosticSink sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_debugSink = std::move(sink);
}

void SetTraceSink(DiagnosticSink sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    g_traceSink = std::move(sink);
}

std::string Printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    va_end(args);
    return out;
}
