#pragma once
// One track's sample index, kept compact: a 32-bit size per sample, the rest
// run-length coded or per chunk, so a 30-hour book (millions of samples)
// costs only a few bytes per sample.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace mp4 {

struct DurationRun {
    uint32_t count;
    uint32_t duration;
};

struct OffsetRun {
    uint32_t count;
    int32_t offset;
};

struct ChunkRun {
    uint32_t firstChunk;  // 1-based, as `stsc` counts
    uint32_t samplesPerChunk;
};

class SampleTable {
public:
    // `chunkLength`: a chunk closes once it spans this many ticks; 0 puts
    // every sample in a chunk of its own.
    explicit SampleTable(uint64_t chunkLength) : m_chunkLength(chunkLength) {}

    // Records a sample whose bytes start at file offset `offset`. A sample
    // that does not follow the previous one directly starts a new chunk.
    void Add(uint64_t offset, uint32_t size, uint32_t duration, int32_t renderingOffset, bool isSync);
    void SetChunkLength(uint64_t ticks) { m_chunkLength = ticks; }

    uint32_t SampleCount() const { return static_cast<uint32_t>(m_sizes.size()); }
    uint64_t Duration() const { return m_duration; }
    uint64_t TotalBytes() const { return m_totalBytes; }
    uint32_t LargestSample() const { return m_largest; }
    // Most bytes held by samples that start within any one window of
    // `window` ticks (the window the maximum bit rate is measured over).
    uint64_t MostBytesPerWindow() const { return m_windowMax; }
    void SetWindow(uint64_t ticks) { m_window = ticks; }

    // A deque grows in fixed blocks: no doubling spare, no copy when growing.
    const std::deque<uint32_t>& Sizes() const { return m_sizes; }
    const std::vector<DurationRun>& Durations() const { return m_durations; }
    // Empty when every rendering offset was zero (no `ctts` needed).
    std::vector<OffsetRun> RenderingOffsets() const;
    bool HasNegativeOffset() const { return m_negativeOffset; }
    const std::vector<uint64_t>& ChunkOffsets() const { return m_chunkOffsets; }
    std::vector<ChunkRun> SamplesPerChunk() const;
    uint64_t LargestChunkOffset() const { return m_chunkOffsets.empty() ? 0 : m_chunkOffsets.back(); }
    // 1-based numbers of the sync samples; empty when every sample is one.
    const std::vector<uint32_t>& SyncSamples() const { return m_syncSamples; }
    bool AllSync() const { return !m_nonSyncSeen; }

private:
    uint64_t m_chunkLength;
    uint64_t m_window = 0;

    std::deque<uint32_t> m_sizes;
    std::vector<DurationRun> m_durations;
    std::vector<OffsetRun> m_offsets;
    bool m_nonZeroOffset = false;
    bool m_negativeOffset = false;
    std::vector<uint64_t> m_chunkOffsets;
    std::vector<uint32_t> m_chunkSamples;  // samples in each chunk
    uint64_t m_chunkEnd = 0;                // file offset just past the open chunk
    uint64_t m_chunkTicks = 0;              // ticks spanned by the open chunk
    bool m_nonSyncSeen = false;
    std::vector<uint32_t> m_syncSamples;

    uint64_t m_duration = 0;
    uint64_t m_totalBytes = 0;
    uint32_t m_largest = 0;

    struct WindowEntry {
        uint64_t start;
        uint32_t size;
    };
    std::deque<WindowEntry> m_windowSamples;
    uint64_t m_windowBytes = 0;
    uint64_t m_windowMax = 0;
};

}  // namespace mp4
