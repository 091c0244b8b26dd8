#pragma once
// The interfaces between the engine's pieces.
#include <cstdint>

class CFileTask;

// Receives the encoded frames of one file.
class IWriterCallback {
public:
    virtual ~IWriterCallback() = default;
    virtual void OnFrame(const uint8_t* data, int size, uint64_t duration) = 0;
    // The file has no more frames; `samples` per channel were its own audio
    // (without the silence that fills its last frame).
    virtual void OnEnd(uint64_t samples) = 0;
};

// What a file task reports to the pool that started it.
class IThreadPool {
public:
    virtual ~IThreadPool() = default;
    virtual void OnTaskFinished(CFileTask* task) = 0;
    virtual void OnTaskReleased(CFileTask* task) = 0;
};
