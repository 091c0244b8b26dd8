#pragma once
// The conversion job: turns one book project into one audiobook file on a
// thread of its own (decoding and encoding run on the pool's threads).
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BookTypes.h"
#include "EngineState.h"

class CBookWriter;

class CConverter {
public:
    // `metadata`, `files`, `cover` and `outputPath` are not owned and must
    // outlive the job.
    CConverter(const sTagInfo* metadata, const std::vector<sInputFile>* files, const sCoverData* cover,
               const std::u16string* outputPath);
    // Only after WaitForEnd has returned true (or before Start). Closes the
    // output file and waits for every file task's thread.
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Clears g_bAbort and starts the job thread.
    void Start();
    // Raises g_bAbort and returns at once; the job winds down by itself.
    void Abort();
    // Position and total in whole seconds of audio; total 0: nothing known yet
    // (position is then left as it was).
    void GetProgress(int& position, int& total) const;
    // Waits at most `milliseconds` (INFINITE_WAIT from Event.h: no limit) for
    // the job thread; true unless the wait timed out.
    bool WaitForEnd(int milliseconds);

private:
    const sTagInfo* m_pMetadata;
    const std::vector<sInputFile>* m_pFiles;
    std::unique_ptr<CBookWriter> m_pWriter;
    std::thread m_thread;
    std::unique_ptr<class CEvent> m_pEnded;
};
