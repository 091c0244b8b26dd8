#pragma once
// Where the engine's console lines go: the counts that a finished file and a
// freed PCM queue report ("Encoded %d %d", "~CQueue %d") and the encoder's
// complaints. The front end chooses the sink; the engine never writes to the
// process's standard streams itself.
#include <string>

class IConsoleSink {
public:
    enum eStream { OUTPUT, ERRORS };  // where a standard console shows the line

    virtual ~IConsoleSink() = default;
    // `line` ends with its line feed. Called from any thread of a conversion.
    virtual void Write(eStream stream, const std::string& line) = 0;
};

// Output lines on standard output, complaints on standard error (the window).
IConsoleSink& StandardStreams();
// Every line as a debug line: standard error when TAVLIN_DEBUG is set,
// nowhere otherwise (tavlin-cli, whose standard output carries the book's path).
IConsoleSink& DebugLines();
