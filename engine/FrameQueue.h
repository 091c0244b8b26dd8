#pragma once
// The frame queue of one work unit: the encoder hands in every AAC frame, the
// book writer takes them out in order. A unit that runs ahead of the writer
// (its predecessor is still being encoded) keeps its frames here until they
// reach a bound, then waits for the writer. Units start in book order (the
// writer submits them so, and the executor runs jobs first come, first
// served), so the unit the writer is at has started before any unit that
// waits for it, and the writer takes its frames as they come: a wait always
// ends.
#include <atomic>
#include <cstddef>
#include <utility>

#include "engine/BlockingQueue.h"
#include "engine/ConsoleSink.h"
#include "engine/EncodedFrame.h"
#include "engine/WriterCallback.h"

// About 35 minutes of a 128 kbit/s book: a unit of an hour-long book on two
// processors never waits, and a 10-hour book stays well under 200 MB.
constexpr size_t kMaxQueuedFrameBytes = 32u << 20;

class CFrameQueue : public IWriterCallback, public CBlockingQueue<sEncodedFrame> {
public:
    // `console` receives the line that reports the file's frames at its end;
    // a producer waiting for room stops waiting once `stop` is raised.
    CFrameQueue(IConsoleSink& console, const std::atomic<bool>& stop, size_t maxBytes = kMaxQueuedFrameBytes)
        : m_console(console), m_stop(stop), m_nMaxBytes(maxBytes)
    {
    }

    // Waits while the frames queued fill the bound, unless the conversion
    // is stopping.
    void OnFrame(const uint8_t* data, int size, uint64_t duration) override;
    void OnEnd(uint64_t samples) override;
    void OnLevels(sLevelEnvelope levels) override { m_levels = std::move(levels); }

    std::unique_ptr<sEncodedFrame> TryPop();
    std::unique_ptr<sEncodedFrame> Pop()
    {
        return PopWith([this] { return TryPop(); });
    }

    // The file's own samples per channel, as its end reported them; 0 until then.
    uint64_t FileSamples() const { return m_nFileSamples.load(); }
    // Samples of the file's frames ahead of its own audio (the priming that
    // its source put first); set before the first frame.
    void SetLead(uint64_t samples) { m_nLead.store(samples); }
    uint64_t Lead() const { return m_nLead.load(); }
    // The unit's levels, once its end has been taken (before it, the
    // producer may still set them); empty where none were measured.
    sLevelEnvelope TakeLevels() { return std::move(m_levels); }
    int FrameCount() const { return m_nFrames; }
    int ByteCount() const { return m_nBytes; }
    // Whether the producer waits for room.
    bool WaitsForRoom() const { return m_bWaiting.load(); }

private:
    IConsoleSink& m_console;
    const std::atomic<bool>& m_stop;
    const size_t m_nMaxBytes;
    int m_nFrames = 0;  // producer only
    int m_nBytes = 0;   // producer only
    std::atomic<size_t> m_nQueuedBytes{0};
    std::atomic<bool> m_bWaiting{false};
    std::atomic<uint64_t> m_nFileSamples{0};
    std::atomic<uint64_t> m_nLead{0};
    sLevelEnvelope m_levels;  // set by the producer before the end
};
