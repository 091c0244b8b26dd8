#include "engine/PcmQueue.h"

#include <algorithm>
#include <cstring>

#include "base/Diagnostics.h"

CPcmQueue::~CPcmQueue()
{
    m_console.Write(IConsoleSink::OUTPUT, Printf("~CQueue %d\n", static_cast<int>(Count())));
}

void CPcmQueue::SetBlockSize(int length, int channels)
{
    m_nBlockSize = length;
    m_nChannels = channels < 1 ? 1 : channels;
    m_pCurrent.reset();
    m_nFill = 0;
}

void CPcmQueue::OnEndOfStream()
{
    if (IsEnded())
        return;
    // The samples of the last, partly filled block are queued so that no
    // audio is lost at the end of a file. The block is filled up with silence:
    // a decoder puts out a whole frame for every AAC frame, so a short frame
    // would shift everything after it in players that play every sample.
    if (m_nFill > 0 && m_pCurrent && !m_stop.load()) {
        for (int c = 0; c < m_nChannels; ++c) {
            float* plane = m_pCurrent.get() + static_cast<size_t>(c) * m_nBlockSize;
            std::fill(plane + m_nFill, plane + m_nBlockSize, 0.0f);
        }
        PushCurrent(m_nBlockSize - m_nFill);
    }
    SetEnd(true);
}

void CPcmQueue::Append(const float* const* planes, int samples)
{
    if (m_nBlockSize <= 0)
        return;
    int done = 0;
    while (done < samples) {
        if (m_stop.load())
            return;  // the remaining samples are dropped
        if (!m_pCurrent) {
            m_pCurrent = std::make_unique<float[]>(static_cast<size_t>(m_nBlockSize) * m_nChannels);
            m_nFill = 0;
        }
        // Copy as much as fits into the current block at once.
        const int n = std::min(samples - done, m_nBlockSize - m_nFill);
        for (int c = 0; c < m_nChannels; ++c)
            std::memcpy(m_pCurrent.get() + static_cast<size_t>(c) * m_nBlockSize + m_nFill, planes[c] + done,
                        static_cast<size_t>(n) * sizeof(float));
        m_nFill += n;
        done += n;
        if (m_nFill == m_nBlockSize)
            PushCurrent(0);
    }
}

void CPcmQueue::PushCurrent(int silence)
{
    while (Count() >= kMaxQueuedPcmBlocks && !IsEnded()) {
        if (m_stop.load()) {
            m_pCurrent.reset();  // the block in hand is freed, not queued
            m_nFill = 0;
            return;
        }
        m_popped.Wait(kPollSliceMs);
    }
    auto block = std::make_unique<sPcmBlock>();
    block->samples = std::move(m_pCurrent);
    block->length = m_nBlockSize;
    block->silence = silence;
    m_nFill = 0;
    PushBack(std::move(block));
}

std::unique_ptr<sPcmBlock> CPcmQueue::TryPop()
{
    if (m_stop.load()) {
        SetEnd(true);
        return nullptr;
    }
    return TakeFront();
}

std::unique_ptr<sPcmBlock> CPcmQueue::Pop()
{
    return PopWith([this] { return TryPop(); });
}
