#pragma once
// Where a frame source hands the encoded frames of its unit: the unit's frame
// queue (tests record them instead).
#include <cstdint>

#include "engine/LevelMeter.h"

class IWriterCallback {
public:
    virtual ~IWriterCallback() = default;
    virtual void OnFrame(const uint8_t* data, int size, uint64_t duration) = 0;
    // The unit has no more frames; `samples` per channel were its file's own
    // audio (without the silence that fills its last frame).
    virtual void OnEnd(uint64_t samples) = 0;
    // The levels of the unit's own samples, measured where chapters are cut
    // at pauses; given before OnEnd.
    virtual void OnLevels(sLevelEnvelope /*levels*/) {}
};
