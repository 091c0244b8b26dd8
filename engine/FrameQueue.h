#pragma once
// The frame queue of one file: the encoder hands in every AAC frame, the book
// writer takes them out in order. Unbounded: a file that finishes before the
// writer reaches it keeps its frames here.
#include "BlockingQueue.h"
#include "EncodedFrame.h"
#include "Interfaces.h"

class CQueue : public IWriterCallback, public CBlockingQueue<sEncodedFrame> {
public:
    CQueue() = default;

    void OnFrame(const uint8_t* data, int size, uint64_t duration) override;
    void OnEnd() override;

    std::unique_ptr<sEncodedFrame> TryPop() { return TakeFront(); }
    std::unique_ptr<sEncodedFrame> Pop()
    {
        return PopWith([this] { return TryPop(); });
    }

    int FrameCount() const { return m_nFrames; }
    int ByteCount() const { return m_nBytes; }

private:
    int m_nFrames = 0;  // producer only
    int m_nBytes = 0;   // producer only
};
