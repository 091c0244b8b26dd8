#pragma once
// The frame source of a book made without re-encoding: an AAC-LC input's
// frames are handed on as they are stored, priming and padding included.
// Each frame is decoded on the way; one that does not decode is replaced by
// a frame of silence, so that the book decodes and its timing stays.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/AacFrames.h"
#include "base/BookTypes.h"
#include "engine/FrameSource.h"
#include "engine/LevelMeter.h"
#include "engine/WriterCallback.h"
#include "engine/RunState.h"

class CAacFrameCheck;

class CFrameCopier : public IFrameSource {
public:
    // Opens the file; without it afterwards `run` has failed. `stream` is
    // the book's stream, which the file was found to match before the
    // conversion started.
    // With `measureLevels`, the decoded samples' levels go to the writer
    // for chapters cut at pauses.
    CFrameCopier(CRunState& run, const sInputFile& input, const sAacStream& stream, IWriterCallback* writer,
                 bool measureLevels = false);

    bool IsOpen() const override { return m_pReader != nullptr; }
    void Run() override;
    void Close() override { m_pReader.reset(); }
    sTrackSetup TrackSetup() const override;
    int64_t Duration() const override { return m_llDuration; }
    int64_t Position() const override { return m_llPosition.load(); }
    // The frames that were replaced by silence: how many, and where.
    std::u16string Warning() const override;

private:
    // Hands on the reader's frame, or silence when it does not decode.
    void CopyFrame(CAacFrameCheck& check);

    CRunState& m_run;
    IWriterCallback* m_pWriter;
    const sAacStream& m_stream;
    std::u16string m_strPath;
    std::unique_ptr<CAacFrameReader> m_pReader;
    int64_t m_llDuration = 0;
    std::atomic<int64_t> m_llPosition{0};
    std::vector<uint8_t> m_silence;
    uint64_t m_nFrames = 0;             // frames handed on so far
    uint64_t m_nReplaced = 0;           // of them, frames of silence
    std::vector<int64_t> m_replacedAt;  // where the first few were, 100 ns into the file's audio
    std::optional<CLevelMeter> m_meter;
    std::vector<const float*> m_planes;  // decoded samples past the priming, per channel
};
