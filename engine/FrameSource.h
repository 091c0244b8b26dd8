#pragma once
// Where a file task's AAC frames come from: the encoder, which decodes and
// encodes the file, or the frame copier, which takes its frames as they are.
#include <cstdint>
#include <string>
#include <vector>

#include "base/WaveFormat.h"

// What the book's audio track takes from its first file's source.
struct sTrackSetup {
    WAVEFORMATEX format{};        // the book's format (its rate and channels)
    std::vector<uint8_t> config;  // AudioSpecificConfig
    uint32_t delay = 0;           // priming samples ahead of the file's audio
    std::string tool;             // the encoder that made the frames; may be empty
};

class IFrameSource {
public:
    virtual ~IFrameSource() = default;
    // Whether the file is open; false after a failure (the conversion has
    // then failed) and after Close.
    virtual bool IsOpen() const = 0;
    // Hands every frame to the task's queue, then ends it with the file's
    // own sample count.
    virtual void Run() = 0;
    virtual void Close() = 0;
    virtual sTrackSetup TrackSetup() const = 0;
    // Playing time and position in 100 ns units, while open.
    virtual int64_t Duration() const = 0;
    virtual int64_t Position() const = 0;
    // What the user should know about a file that was converted all the
    // same; empty when nothing. After Run.
    virtual std::u16string Warning() const { return {}; }
};
