#pragma once
// Debug lines (decoding failures) reach standard error only when TAVLIN_DEBUG
// is set; trace lines (task and pool progress) only when TAVLIN_TRACE is set.
// Tests may install a capturing sink instead.
#include <functional>
#include <string>

void DebugLine(const std::string& text);
void TraceLine(const std::string& text);

using DiagnosticSink = std::function<void(const std::string&)>;
// Replaces the sink (an empty function restores the default). Not for use
// while a conversion runs.
void SetDebugSink(DiagnosticSink sink);
void SetTraceSink(DiagnosticSink sink);

// printf-style formatting into a std::string.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
