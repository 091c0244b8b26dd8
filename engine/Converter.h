#pragma once
// The conversion job: turns one book project into one audiobook file on a
// thread of its own (decoding and encoding run on the pool's threads).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/BookTypes.h"
#include "engine/ConsoleSink.h"
#include "engine/ConversionOutcome.h"
#include "engine/ThreadPool.h"
#include "engine/WorkPlan.h"

class CBookWriter;

class CConverter {
public:
    // `metadata`, `files`, `cover` and `outputPath` are not owned and must
    // outlive the job. The engine's console lines go to `console`; `pool`
    // gives the file tasks their threads. Both must outlive the job. The
    // encoder of a unit that starts inside a file is given `prerollFrames`
    // frames before it.
    CConverter(const sTagInfo* metadata, const std::vector<sInputFile>* files, const sCoverData* cover,
               const std::u16string* outputPath, IConsoleSink& console = StandardStreams(),
               CThreadPool& pool = g_ThreadPool, uint64_t prerollFrames = kPrerollFrames);
    // Only after WaitForEnd has returned true (or before Start). Waits for
    // every file task's thread; the output file was closed as the job ended.
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Clears the engine's abort flag and error text and starts the job thread.
    void Start();
    // Raises the engine's abort flag and returns at once; the job winds down
    // by itself.
    void Abort();
    // Position and total in whole seconds of audio; total 0: nothing known yet
    // (position is then left as it was).
    void GetProgress(int& position, int& total) const;
    // Waits at most `milliseconds` (INFINITE_WAIT from Event.h: no limit) for
    // the job thread; true unless the wait timed out.
    bool WaitForEnd(int milliseconds);
    // How the job ended; only after WaitForEnd has returned true.
    const sConversionOutcome& Outcome() const { return m_outcome; }

private:
    // The job thread's last act: records the outcome, then ends the wait.
    void End();

    const sTagInfo* m_pMetadata;
    const std::vector<sInputFile>* m_pFiles;
    const std::u16string* m_pOutputPath;
    std::unique_ptr<CBookWriter> m_pWriter;
    std::thread m_thread;
    std::unique_ptr<class CEvent> m_pEnded;
    std::atomic<bool> m_bAbortCalled{false};
    sConversionOutcome m_outcome;
};
