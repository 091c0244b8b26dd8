#pragma once
// The PCM queue of one file: cuts the decoded samples into float planar
// blocks of exactly one encoder frame and holds at most 64 of them, so that a
// fast decoder waits for a slow encoder.
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/BlockingQueue.h"
#include "engine/ConsoleSink.h"
#include "engine/EncodedFrame.h"

constexpr size_t kMaxQueuedPcmBlocks = 64;

class CPcmQueue : public CBlockingQueue<sPcmBlock> {
public:
    // `console` receives the line that reports the blocks left at destruction;
    // once `stop` is raised, samples are dropped and the queue ends.
    CPcmQueue(IConsoleSink& console, const std::atomic<bool>& stop) : m_console(console), m_stop(stop)
    {
        m_nRoomAt = kMaxQueuedPcmBlocks / 2;
    }
    ~CPcmQueue();

    // Set by the encoder when it opens: samples per channel in a block, and
    // the channel count.
    void SetBlockSize(int length, int channels = 1);
    int BlockSize() const { return m_nBlockSize; }

    // Decoding-thread side. Appends `samples` samples of every channel,
    // `planes[c]` holding channel c's.
    void Append(const float* const* planes, int samples);
    // Queues the partly filled last block, filled up with silence to a whole
    // block, then sets the end flag. A repeat is a no-op.
    void OnEndOfStream();

    // Encoder-thread side.
    std::unique_ptr<sPcmBlock> TryPop();
    std::unique_ptr<sPcmBlock> Pop();

private:
    // Waits for room, then queues the current block.
    void PushCurrent(int silence);

    IConsoleSink& m_console;
    const std::atomic<bool>& m_stop;
    int m_nBlockSize = 0;
    int m_nChannels = 1;
    std::unique_ptr<float[]> m_pCurrent;
    int m_nFill = 0;  // samples per channel in the current block
};
