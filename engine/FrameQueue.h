#pragma once
// The frame queue of one file: the encoder hands in every AAC frame, the book
// writer takes them out in order. Unbounded: a file that finishes before the
// writer reaches it keeps its frames here.
#include <atomic>

#include "engine/BlockingQueue.h"
#include "engine/ConsoleSink.h"
#include "engine/EncodedFrame.h"
#include "engine/Interfaces.h"

class CQueue : public IWriterCallback, public CBlockingQueue<sEncodedFrame> {
public:
    // `console` receives the line that reports the file's frames at its end.
    explicit CQueue(IConsoleSink& console) : m_console(console) {}

    void OnFrame(const uint8_t* data, int size, uint64_t duration) override;
    void OnEnd(uint64_t samples) override;

    std::unique_ptr<sEncodedFrame> TryPop() { return TakeFront(); }
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
    int FrameCount() const { return m_nFrames; }
    int ByteCount() const { return m_nBytes; }

private:
    IConsoleSink& m_console;
    int m_nFrames = 0;  // producer only
    int m_nBytes = 0;   // producer only
    std::atomic<uint64_t> m_nFileSamples{0};
    std::atomic<uint64_t> m_nLead{0};
};
