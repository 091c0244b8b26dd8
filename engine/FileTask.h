#pragma once
// One input file of a conversion: decoded and encoded (or its AAC frames
// copied) on a thread of the pool, its frames handed to the book writer
// through its frame queue.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "decode/AacFrames.h"
#include "base/BookTypes.h"
#include "engine/ConversionContext.h"
#include "engine/Encoder.h"
#include "base/Event.h"
#include "engine/FrameQueue.h"
#include "engine/FrameSource.h"
#include "engine/Interfaces.h"
#include "engine/RunState.h"
#include "engine/WorkPlan.h"
#include "base/WaveFormat.h"

class CBookWriter;

class CFileTask {
public:
    // `number` is the task's place among its conversion's tasks.
    // `requiredFormat` is the book's format that the file must decode to;
    // without one, this is the book's first file: its format becomes the
    // book's, and the task has the writer create the output file. `pool`
    // is the pool that starts the task.
    // With `copyOf`, the book's AAC stream, the file's frames are copied
    // instead of encoded. `unit` is the stretch of the file the task encodes
    // (a copied file is always whole).
    CFileTask(const sConversionContext& context, CRunState& run, int number, const sInputFile* input,
              const std::optional<WAVEFORMATEX>& requiredFormat, CBookWriter* writer, IThreadPool& pool,
              const sAacStream* copyOf = nullptr, const sWorkUnit& unit = sWorkUnit{});
    ~CFileTask();
    CFileTask(const CFileTask&) = delete;
    CFileTask& operator=(const CFileTask&) = delete;

    // The body of the task's thread.
    void Run();
    // Marks the task finished and releases its decoding graph. Idempotent.
    void Finish();
    // The task's share of the job's progress, in 100 ns units; duration 0
    // when nothing is known (position then untouched).
    void GetProgress(int64_t& position, int64_t& duration);

    // Starts the task's thread (the pool does this). Throws std::system_error
    // when the thread cannot be created.
    void StartThread();
    // Ends a task that will never get a thread: its queue ends, it finishes,
    // and the writer is released if it still waits for the first file.
    void EndWithoutThread();
    // Waits for the task's thread, if it has one.
    void Join();
    bool HasThread() const { return m_thread.joinable(); }

    CQueue& Frames() { return m_frames; }
    CEvent& FinishedEvent() { return m_finished; }
    CEvent& DrainedEvent() { return m_drained; }
    const sInputFile& Input() const { return *m_pInput; }
    const sWorkUnit& Unit() const { return m_unit; }
    // Whether the task gave all its frames: it finished before any abort.
    bool Complete() const { return m_bComplete.load(); }
    int Number() const { return m_nNumber; }
    // Whether the task's conversion is stopping, and ending it with a message.
    bool Stopped() const { return m_run.Stopped(); }
    void Fail(const std::u16string& message) { m_run.Fail(message); }
    // What the frame source had to warn about; once the task has finished.
    std::u16string Warning() const;

private:
    bool FixesFormat() const { return !m_requiredFormat.has_value(); }
    // Opens, decodes and encodes (or copies) the file; every failure ends in an abort.
    void ConvertFile();
    // The file gives no (further) frames: its queue ends, and the writer
    // stops waiting if this was the first file.
    void EndWithoutFrames();

    const sConversionContext& m_context;
    CRunState& m_run;
    IThreadPool& m_pool;
    CBookWriter* m_pWriter;
    const std::optional<WAVEFORMATEX> m_requiredFormat;
    int64_t m_llDuration = 0;
    CEvent m_drained;
    CEvent m_finished;
    std::atomic<int> m_bFinished{0};
    std::atomic<bool> m_bComplete{false};
    std::thread m_thread;
    CQueue m_frames;
    const sInputFile* m_pInput;
    const sAacStream* m_pCopyOf;
    const sWorkUnit m_unit;
    std::unique_ptr<IFrameSource> m_pSource;
    int m_nNumber;
    std::u16string m_strWarning;
    mutable std::mutex m_lock;
};
