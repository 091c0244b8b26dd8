#include "engine/FrameQueue.h"

#include <cstring>

#include "base/Diagnostics.h"

void CFrameQueue::OnFrame(const uint8_t* data, int size, uint64_t duration)
{
    ++m_nFrames;
    m_nBytes += size;
    // The encoder reuses its output buffer, so the frame is copied once here.
    auto frame = std::make_unique<sEncodedFrame>();
    frame->data = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
    std::memcpy(frame->data.get(), data, static_cast<size_t>(size));
    frame->size = size;
    frame->duration = duration;
    // After an abort the writer takes what is left without waiting for more.
    if (m_nQueuedBytes.load() >= m_nMaxBytes) {
        m_bWaiting.store(true);
        while (m_nQueuedBytes.load() >= m_nMaxBytes && !m_stop.load())
            m_popped.Wait(kPollSliceMs);
        m_bWaiting.store(false);
    }
    m_nQueuedBytes.fetch_add(static_cast<size_t>(size));
    PushBack(std::move(frame));
}

std::unique_ptr<sEncodedFrame> CFrameQueue::TryPop()
{
    std::unique_ptr<sEncodedFrame> frame = TakeFront();
    if (frame)
        m_nQueuedBytes.fetch_sub(static_cast<size_t>(frame->size));
    return frame;
}

void CFrameQueue::OnEnd(uint64_t samples)
{
    m_nFileSamples.store(samples);
    SetEnd(true);
    m_console.Write(IConsoleSink::OUTPUT, Printf("Encoded %d %d\n", m_nFrames, m_nBytes));
}
