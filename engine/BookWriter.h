#pragma once
// Produces the audiobook on the job thread: cuts the files into work units
// (a long file into several), runs the first unit until it has fixed the
// book's format and creates the output for it, then submits the units in book
// order, never too far ahead of the one it writes, and writes their frames
// strictly in book order with the chapters of each file.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/AacFrames.h"
#include "base/BookTypes.h"
#include "engine/ConversionContext.h"
#include "engine/EncodedFrame.h"
#include "engine/FrameSource.h"
#include "engine/LevelMeter.h"
#include "engine/PendingBook.h"
#include "engine/RunState.h"
#include "base/Event.h"
#include "engine/WorkPlan.h"
#include "mp4/Mp4File.h"
#include "base/WaveFormat.h"

class CThreadPool;
class CUnitTask;

// The job's total in seconds: the playing time `durations` of the files opened
// so far (whose sizes add up to `sizes`), scaled up in proportion to the size
// of the files not yet opened (`totalSize` - `sizes`). Wraps at 2^32.
uint32_t EstimateTotal(uint32_t durations, uint32_t sizes, uint32_t totalSize);

// The stream whose frames a book of `files` copies: every file is AAC-LC
// alike, and `encoding` asks for no bit rate and no re-encoding. Otherwise
// nothing. Reads the files' headers.
std::optional<sAacStream> ChooseCopiedStream(const std::vector<sInputFile>& files, const sEncodingChoice& encoding);

class CBookWriter {
public:
    // Writes the book that `context` describes; `run` is the conversion's
    // stop flag and error text. Both outlive the writer.
    CBookWriter(const sConversionContext& context, CRunState& run);
    // Destroys the tasks after their jobs have ended. Only after WriteBook
    // has returned.
    ~CBookWriter();
    CBookWriter(const CBookWriter&) = delete;
    CBookWriter& operator=(const CBookWriter&) = delete;

    // The job thread's body.
    void WriteBook();
    // After a failure of the job thread itself (the conversion has failed):
    // ends the tasks not yet submitted, waits for the others' jobs, then
    // keeps what was written as a partial book.
    void Abandon();
    // Once the job has ended: where the partial book of a conversion that
    // did not complete was kept beside a file of the output's name, which
    // was left as it was. Empty otherwise.
    const std::u16string& PartialBook() const { return m_strPartialBook; }

    // The chapters inside files that the book could not hold; only after
    // WriteBook has returned.
    const std::vector<sLeftOutChapter>& LeftOutChapters() const { return m_leftOut; }

    // What the files' sources warned about, in book order; once WriteBook
    // has returned.
    const std::vector<std::u16string>& Warnings() const { return m_warnings; }

    // The job's progress over the task list (whole seconds).
    void GetProgress(int& position, int& total) const;

private:
    // The work units of the book; reads every file's rate and stated
    // playing time.
    std::vector<sWorkUnit> PlanUnits();
    // Creates a task per unit: the first one is run until it has fixed the
    // book's format, and the output file is created for it; every later one
    // is given that format.
    void CreateTasks(const std::vector<sWorkUnit>& units);
    // Submits the tasks before `end` not yet submitted, in book order; once
    // the conversion has stopped they are ended without running instead.
    void SubmitUpTo(size_t end);
    // Hands one task to the executor; a task that gets no thread ends the
    // conversion with a message.
    void Submit(CUnitTask& task);
    void JobEnded();
    void WaitForJobs();
    // Creates the output file for what the first unit's source gives the
    // book: the format (which becomes the book's), the AAC configuration and
    // the priming ahead of the first file's audio, and sets up its tracks and
    // tags. A file that cannot be created ends the conversion with its message.
    void CreateOutput(const sTrackSetup& setup);
    void WriteFrames();
    void WriteFrame(const sEncodedFrame& frame);
    // A chapter of the book: where it starts (presentation samples) and its title.
    struct sTitledChapter {
        uint64_t start = 0;
        std::u16string title;
    };
    // The chapters of one file whose own audio starts at `fileStart`
    // (presentation samples); they run from `chapterStart` to `chapterEnd`,
    // long ones cut into parts. Chapters the file cannot hold are noted when
    // `reportLeftOut`.
    std::vector<sTitledChapter> FileChapters(const sInputFile& input, uint64_t fileStart, uint64_t chapterStart,
                                                  uint64_t chapterEnd, bool reportLeftOut);
    // Cuts the chapters longer than 1.5 split lengths (the last one ends at
    // `chapterEnd`) into parts, at the pauses of the file's levels.
    std::vector<sTitledChapter> SplitLongChapters(std::vector<sTitledChapter> chapters, uint64_t fileStart,
                                                  uint64_t chapterEnd) const;
    // Writes `chapters`, the last one ending at `chapterEnd`.
    void WriteChapters(const std::vector<sTitledChapter>& chapters, uint64_t chapterEnd);
    // After a stop inside `input`, whose chapters start at `chapterStart`:
    // writes those of its chapters whose audio is all in the book.
    void WritePartialChapters(const sInputFile& input, uint64_t fileStart, uint64_t chapterStart);
    // Writes one chapter sample of `duration` 1/600 s starting at `start100ns`.
    bool AddChapter(const std::u16string& title, uint64_t duration, uint64_t start100ns);
    // Closes the output file with its index, then gives it the output's
    // name when the book is `complete`, or keeps it as a partial book.
    void FinishOutput(bool complete);
    // A failed write stops the conversion with a message, once.
    void OnWriteFailure();

    const sConversionContext& m_context;
    CRunState& m_run;
    CThreadPool& m_pool;
    std::optional<CPendingBook> m_output;  // where m_file is written
    std::unique_ptr<mp4::File> m_file;
    std::u16string m_strPartialBook;
    mp4::TrackId m_nAudioTrack = 0;
    mp4::TrackId m_nChapterTrack = 0;
    std::vector<std::unique_ptr<CUnitTask>> m_tasks;
    std::atomic<bool> m_bTasksCreated{false};  // m_tasks is complete; the progress may read it
    size_t m_nSubmitted = 0;                   // tasks submitted (or ended) so far, in book order
    std::mutex m_jobsLock;
    std::condition_variable m_jobsChanged;
    int m_nJobs = 0;  // submitted jobs that have not ended
    uint32_t m_nTotalSize = 0;
    // The book's format: all zero until the first file fixes it, before it
    // releases the job thread; every later file must decode to it.
    WAVEFORMATEX m_format{};
    uint64_t m_nTrackPosition = 0;  // audio-track samples written so far
    uint64_t m_nEditStart = 0;      // the first file's priming, which the edit list skips
    std::optional<sAacStream> m_copyOf;
    // The playing time (100 ns) each file states before it is decoded; 0
    // when it states none.
    std::vector<int64_t> m_fileDurations;
    // The levels of the file being written, from its window 0 (where its
    // chapters are cut at pauses).
    std::vector<float> m_fileLevels;
    bool m_bWriteFailed = false;
    std::vector<sLeftOutChapter> m_leftOut;
    std::vector<std::u16string> m_warnings;
};
