#pragma once
// The PCM queue of one file: cuts the decoded samples into blocks of exactly
// one encoder frame and holds at most 64 of them, so that a fast decoder waits
// for a slow encoder.
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/BlockingQueue.h"
#include "engine/ConsoleSink.h"
#include "engine/EncodedFrame.h"
#include "decode/MediaType.h"

constexpr size_t kMaxQueuedPcmBlocks = 64;

class CPcmQueue : public IGraphCallback, public CBlockingQueue<sPcmBlock> {
public:
    // `console` receives the line that reports the blocks left at destruction;
    // once `stop` is raised, samples are dropped and the queue ends.
    CPcmQueue(IConsoleSink& console, const std::atomic<bool>& stop) : m_console(console), m_stop(stop)
    {
        m_nRoomAt = kMaxQueuedPcmBlocks / 2;
    }
    ~CPcmQueue() override;

    // Streaming-thread side.
    void OnSample(IMediaSample* sample) override;
    // Queues the partly filled last block, filled up with silence to a whole
    // block, then sets the end flag. A repeat is a no-op.
    void OnEndOfStream() override;
    void Append(const int16_t* samples, int count);
    void PushBlock(std::unique_ptr<int16_t[]> buffer, int count, int silence = 0);

    // Encoder-thread side.
    std::unique_ptr<sPcmBlock> TryPop();
    std::unique_ptr<sPcmBlock> Pop();

    // Set by the encoder when it opens: samples per block, all channels, and
    // the channel count (a block always holds whole sample frames).
    void SetBlockSize(int blockSize, int channels = 1);
    int BlockSize() const { return m_nBlockSize; }

private:
    IConsoleSink& m_console;
    const std::atomic<bool>& m_stop;
    int m_nBlockSize = 0;
    int m_nChannels = 1;
    std::unique_ptr<int16_t[]> m_pCurrent;
    int m_nFill = 0;
};
