#pragma once
// One work unit of a conversion (a file, or a stretch of a long one): its
// frame source decodes and encodes it (or copies its AAC frames) on a thread
// of the executor and hands the frames to the book writer through the unit's
// frame queue. The writer creates the tasks, submits them, reads what the
// first one fixes, and takes their frames; a task never calls the writer.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "base/BookTypes.h"
#include "base/Event.h"
#include "base/WaveFormat.h"
#include "decode/AacFrames.h"
#include "engine/ConversionContext.h"
#include "engine/FrameQueue.h"
#include "engine/FrameSource.h"
#include "engine/RunState.h"
#include "engine/WorkPlan.h"

class CUnitTask {
public:
    // `number` is the task's place among its conversion's tasks.
    // `requiredFormat` is the book's format that the unit must decode to;
    // without one, this is the book's first unit and its format becomes the
    // book's. With `copyOf`, the book's AAC stream, the file's frames are
    // copied instead of encoded. `unit` is the stretch of the file the task
    // encodes (a copied file is always whole).
    CUnitTask(const sConversionContext& context, CRunState& run, int number, const sInputFile& input,
              const std::optional<WAVEFORMATEX>& requiredFormat, const sAacStream* copyOf, const sWorkUnit& unit);
    CUnitTask(const CUnitTask&) = delete;
    CUnitTask& operator=(const CUnitTask&) = delete;

    // The task's work, on a thread of the executor: opens the source, hands
    // on every frame, ends the frame queue, then sets Finished.
    void Run();
    // Ends a task that will never run (the conversion stopped first): its
    // queue ends and it counts as finished.
    void EndWithoutRunning();

    // Set once the source is open or has failed to open.
    CEvent& OpenedEvent() { return m_opened; }
    // What the source gives the book's track (format, AAC configuration,
    // priming); nothing when it did not open. Once OpenedEvent is set.
    std::optional<sTrackSetup> TrackSetup() const;
    // Set once the task has handed on its last frame.
    CEvent& FinishedEvent() { return m_finished; }

    // The task's share of the job's progress, in 100 ns units; duration 0
    // when nothing is known (position then untouched).
    void GetProgress(int64_t& position, int64_t& duration);

    CFrameQueue& Frames() { return m_frames; }
    const sInputFile& Input() const { return m_input; }
    const sWorkUnit& Unit() const { return m_unit; }
    // Whether the task gave all its frames: it finished before any stop.
    bool Complete() const { return m_bComplete.load(); }
    // What the frame source had to warn about; once the task has finished.
    std::u16string Warning() const;

private:
    bool FixesFormat() const { return !m_requiredFormat.has_value(); }
    // Opens, decodes and encodes (or copies) the unit; every failure stops the conversion.
    void ConvertUnit();
    // The unit gives no (further) frames: its queue ends.
    void EndWithoutFrames();
    // Marks the task finished and releases its source.
    void Finish();

    const sConversionContext& m_context;
    CRunState& m_run;
    const sInputFile& m_input;
    const std::optional<WAVEFORMATEX> m_requiredFormat;
    const sAacStream* m_pCopyOf;
    const sWorkUnit m_unit;
    const int m_nNumber;
    CFrameQueue m_frames;
    CEvent m_opened;
    CEvent m_finished;
    std::atomic<bool> m_bComplete{false};
    mutable std::mutex m_lock;  // guards what follows, read by the progress poll
    std::unique_ptr<IFrameSource> m_pSource;
    std::optional<sTrackSetup> m_setup;
    int64_t m_llDuration = 0;
    bool m_bFinished = false;
    std::u16string m_strWarning;
};
