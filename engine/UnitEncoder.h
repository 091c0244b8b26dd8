#pragma once
// The AAC stage of one work unit: opens the unit's PCM reader, decodes on a
// thread of its own into the PCM queue, encodes the queued blocks with a fresh
// AAC encoder, flushes it at the file's end and hands every frame with its
// duration to the writer callback.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aac/AacEncoder.h"
#include "base/BookTypes.h"
#include "engine/ConversionContext.h"
#include "engine/FrameSource.h"
#include "engine/LevelMeter.h"
#include "decode/PcmReader.h"
#include "engine/WriterCallback.h"
#include "engine/PcmQueue.h"
#include "engine/RunState.h"
#include "engine/WorkPlan.h"
#include "base/WaveFormat.h"

class CUnitEncoder : public IFrameSource {
public:
    // Opens the reader and the AAC encoder. The reader converts to
    // `requiredFormat`; without one (the book's first file) the format it
    // chooses becomes the encoder's Format(). Without a reader afterwards,
    // `run` has failed. The context's console receives the encoder's
    // complaints and the PCM queue's line; its encoding choice gives the bit
    // rate, its reader factory the reader. `unit` is the stretch of the file
    // whose frames go to the writer.
    CUnitEncoder(const sConversionContext& context, CRunState& run, const WAVEFORMATEX* requiredFormat,
             const sInputFile& input, IWriterCallback* writer, const sWorkUnit& unit = sWorkUnit{});
    ~CUnitEncoder() override;
    CUnitEncoder(const CUnitEncoder&) = delete;
    CUnitEncoder& operator=(const CUnitEncoder&) = delete;

    // Decodes the file into the PCM queue on a thread of its own, encodes
    // every block, flushes, then calls OnEnd.
    void Run() override;
    // Encodes one block; 1, or 0 when the encoder reported an error, which
    // ends the conversion.
    int EncodeBlock(const sPcmBlock& block);

    bool HasReader() const { return m_pReader != nullptr; }
    // Stops and destroys the reader.
    void ReleaseReader();

    bool IsOpen() const override { return HasReader(); }
    void Close() override { ReleaseReader(); }
    // The encoder's configuration and delay, and its name.
    sTrackSetup TrackSetup() const override;
    // The unit's playing time and how far into it the decoder is.
    int64_t Duration() const override;
    int64_t Position() const override;

    // The PCM format encoded: the required one, or the one the reader chose;
    // all zero when the reader did not open.
    const WAVEFORMATEX& Format() const { return m_format; }
    aac::Encoder* Handle() const { return m_hEncoder.get(); }
    // Samples per channel handed to the AAC encoder, and of those the file's
    // own that the unit gives the book (without the silence that fills the
    // file's last block, and without what its neighbours give).
    uint64_t SamplesIn() const { return m_nSamplesIn; }
    uint64_t FileSamples() const;
    CPcmQueue& Queue() { return m_queue; }

private:
    bool OpenAacEncoder(const WAVEFORMATEX& format);
    // Has the reader decode only what the unit's encoder needs: its frames,
    // the frames before them that settle the encoder, and the frames after
    // them that its last kept frame looks ahead to.
    void NarrowToUnit();
    // The unit's first sample in the file, in 100 ns units.
    int64_t UnitStart() const;
    // Ends the conversion with "Can't encode file" for this file.
    void FailEncoding();
    void HandOnFrame(int bytes);
    // The decoding thread: pulls the reader's blocks into the PCM queue.
    void Decode();

    const sConversionContext& m_context;
    CRunState& m_run;
    IWriterCallback* m_pWriter;
    IConsoleSink& m_console;
    std::u16string m_strPath;  // the input file, for failure messages
    WAVEFORMATEX m_format{};
    std::unique_ptr<CPcmReader> m_pReader;
    std::unique_ptr<aac::Encoder> m_hEncoder;
    std::vector<const float*> m_planes;  // the block being encoded, per channel
    std::vector<uint8_t> m_output;
    uint32_t m_nMaxOutputBytes = 0;
    uint64_t m_nSamplesIn = 0;
    uint64_t m_nSamplesOut = 0;
    uint64_t m_nSilence = 0;
    uint32_t m_nFrameLength = 0;
    uint32_t m_nMaxFrameDuration = 0;
    int m_nChannels = 0;
    const sWorkUnit m_unit;
    uint64_t m_nFirstBlock = 0;  // the file's block that the encoder is given first
    // The encoder's frames [m_nKeepFrom, m_nKeepTo) are the unit's.
    uint64_t m_nFrames = 0;
    uint64_t m_nKeepFrom = 0;
    uint64_t m_nKeepTo = UINT64_MAX;
    CPcmQueue m_queue;
    // Measures the unit's own samples where chapters are cut at pauses.
    std::optional<CLevelMeter> m_meter;
};
