#include "engine/PcmQueue.h"

#include <algorithm>
#include <cstring>

#include "base/Diagnostics.h"

CPcmQueue::~CPcmQueue()
{
    m_console.Write(IConsoleSink::OUTPUT, Printf("~CQueue %d\n", static_cast<int>(Count())));
}

void CPcmQueue::SetBlockSize(int blockSize, int channels)
{
    m_nBlockSize = blockSize;
    m_nChannels = channels < 1 ? 1 : channels;
    m_pCurrent = std::make_unique<int16_t[]>(static_cast<size_t>(blockSize));
    m_nFill = 0;
}

void CPcmQueue::OnSample(IMediaSample* sample)
{
    const long length = sample->GetActualDataLength();
    if (length == 0)
        return;
    // An odd last byte cannot form a sample and is ignored.
    Append(reinterpret_cast<const int16_t*>(sample->GetPointer()), static_cast<int>(length / 2));
}

void CPcmQueue::OnEndOfStream()
{
    if (IsEnded())
        return;
    // The samples of the last, partly filled block are queued so that no
    // audio is lost at the end of a file. The block is filled up with silence:
    // a decoder puts out a whole frame for every AAC frame, so a short frame
    // would shift everything after it in players that play every sample.
    const int wholeFrames = m_nFill - m_nFill % m_nChannels;
    if (wholeFrames > 0 && m_pCurrent && !m_stop.load()) {
        std::fill(m_pCurrent.get() + wholeFrames, m_pCurrent.get() + m_nBlockSize, int16_t{0});
        PushBlock(std::move(m_pCurrent), m_nBlockSize, m_nBlockSize - wholeFrames);
        m_nFill = 0;
    }
    SetEnd(true);
}

void CPcmQueue::Append(const int16_t* samples, int count)
{
    if (m_nBlockSize <= 0)
        return;
    int done = 0;
    while (done < count) {
        if (m_stop.load())
            return;  // the remaining samples are dropped
        if (!m_pCurrent) {
            m_pCurrent = std::make_unique<int16_t[]>(static_cast<size_t>(m_nBlockSize));
            m_nFill = 0;
        }
        // Copy as much as fits into the current block at once.
        const int n = std::min(count - done, m_nBlockSize - m_nFill);
        std::memcpy(m_pCurrent.get() + m_nFill, samples + done, static_cast<size_t>(n) * sizeof(int16_t));
        m_nFill += n;
        done += n;
        if (m_nFill == m_nBlockSize) {
            PushBlock(std::move(m_pCurrent), m_nFill);
            m_pCurrent = std::make_unique<int16_t[]>(static_cast<size_t>(m_nBlockSize));
            m_nFill = 0;
        }
    }
}

void CPcmQueue::PushBlock(std::unique_ptr<int16_t[]> buffer, int count, int silence)
{
    while (Count() >= kMaxQueuedPcmBlocks && !IsEnded()) {
        if (m_stop.load())
            return;  // the block in hand is freed, not queued
        m_popped.Wait(kPollSliceMs);
    }
    auto block = std::make_unique<sPcmBlock>();
    block->samples = std::move(buffer);
    block->count = count;
    block->silence = silence;
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
