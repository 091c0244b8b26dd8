#pragma once
// The books of a library converted one after another as one job of the
// progress dialog: each book planned as a drop of its folder, on the
// window's pool.
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Event.h"
#include "engine/ConversionContext.h"
#include "base/BookDetails.h"
#include "project/Item.h"
#include "project/Library.h"
#include "project/LibrarySummary.h"
#include "project/TagReader.h"
#include "ui/ProgressDlg.h"

class CConverter;
class CThreadPool;

// What every book of the run takes from the window.
struct sLibrarySettings {
    int m_nChapterSource = CHAPTERS_FROM_TAG;
    std::string m_strSheetEncoding;
    std::filesystem::path m_settingsFile;  // Tavlin.ini: the bit rate
    TagReader m_readTags;                  // empty: MediaInfo through the tag helper
};

// One book as a drop of its folder makes it.
struct sPlannedLibraryBook {
    std::u16string m_strProblem;  // why it cannot be made; empty when it can
    sConversionContext m_context;
    sBookDetails m_details;
    size_t m_nChapters = 0;
    int64_t m_llLength = 0;  // 100 ns units, as the files state it
};
sPlannedLibraryBook PlanLibraryBookFolder(const sLibraryBook& book, const sLibrarySettings& settings);

class CLibraryJob final : public IConversionJob {
public:
    CLibraryJob(std::vector<sLibraryBook> books, sLibrarySettings settings, CThreadPool& pool);
    ~CLibraryJob() override;

    void Start() override;
    // Ends the current book as an aborted book ends; no other starts.
    void Abort() override;
    // Whole books done, and the current one's share, in thousandths of a book.
    void GetProgress(int& position, int& total) override;
    bool WaitForEnd(int milliseconds) override;
    // Aborted after Abort, else Completed: a failed book does not stop the
    // run and is told in Results.
    sConversionOutcome Outcome() const override;
    // One line per book; complete once WaitForEnd has returned true.
    const std::vector<sLibraryResult>& Results() const { return m_results; }

private:
    void Run();

    const std::vector<sLibraryBook> m_books;
    const sLibrarySettings m_settings;
    CThreadPool& m_pool;
    std::vector<sLibraryResult> m_results;
    std::thread m_thread;
    CEvent m_ended{true, false};
    std::atomic<bool> m_bAbort{false};
    mutable std::mutex m_lock;  // guards the fields below
    CConverter* m_pCurrent = nullptr;
    int m_nBooksDone = 0;
};
