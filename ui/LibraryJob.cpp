#include "ui/LibraryJob.h"

#include <chrono>

#include "base/Text.h"
#include "engine/Converter.h"
#include "engine/Settings.h"
#include "project/BookProject.h"

namespace {

constexpr int SHARE_PER_BOOK = 1000;

}  // namespace

sPlannedLibraryBook PlanLibraryBookFolder(const sLibraryBook& book, const sLibrarySettings& settings)
{
    sPlannedLibraryBook planned;
    CBookProject project(settings.m_readTags);
    project.SetSheetEncoding(settings.m_strSheetEncoding);
    project.DropBookFolder(book.m_strFolder, book.m_files);
    project.SetChapterSource(settings.m_nChapterSource);
    if (!project.ChapterProblems().empty()) {
        planned.m_strProblem = project.ChapterProblems().front();
        return planned;
    }
    planned.m_context = project.BuildConversion(book.m_strOutput, ReadEncodingChoice(settings.m_settingsFile));
    planned.m_context.m_bPartialBesideOnly = true;
    planned.m_details = project.Details();
    for (const auto& row : project.Rows()) {
        planned.m_nChapters += std::max<size_t>(1, row->m_chapters.size());
        planned.m_llLength += row->m_llDuration;
    }
    return planned;
}

CLibraryJob::CLibraryJob(std::vector<sLibraryBook> books, sLibrarySettings settings, CThreadPool& pool)
    : m_books(std::move(books)), m_settings(std::move(settings)), m_pool(pool)
{
}

CLibraryJob::~CLibraryJob()
{
    Abort();
    if (m_thread.joinable())
        m_thread.join();
}

void CLibraryJob::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void CLibraryJob::Abort()
{
    m_bAbort = true;
    const std::lock_guard lock(m_lock);
    if (m_pCurrent)
        m_pCurrent->Abort();
}

void CLibraryJob::GetProgress(int& position, int& total)
{
    const std::lock_guard lock(m_lock);
    total = static_cast<int>(m_books.size()) * SHARE_PER_BOOK;
    position = m_nBooksDone * SHARE_PER_BOOK;
    if (m_pCurrent) {
        int bookPosition = 0;
        int bookTotal = 0;
        m_pCurrent->GetProgress(bookPosition, bookTotal);
        if (bookTotal > 0)
            position += static_cast<int>(static_cast<int64_t>(SHARE_PER_BOOK) * std::clamp(bookPosition, 0, bookTotal) /
                                         bookTotal);
    }
}

bool CLibraryJob::WaitForEnd(int milliseconds)
{
    return m_ended.Wait(milliseconds);
}

sConversionOutcome CLibraryJob::Outcome() const
{
    sConversionOutcome outcome;
    outcome.m_eOutcome = m_bAbort ? eOutcome::Aborted : eOutcome::Completed;
    return outcome;
}

void CLibraryJob::Run()
{
    for (const sLibraryBook& book : m_books) {
        sLibraryResult& result = m_results.emplace_back();
        result.m_strName = ToUtf8(book.m_strName);
        if (m_bAbort) {
            result.m_strResult = "not started";
        } else if (LibraryBookExists(book)) {
            result.m_strResult = "skipped: exists";
        } else if (sPlannedLibraryBook planned = PlanLibraryBookFolder(book, m_settings); !planned.m_strProblem.empty()) {
            result.m_strResult = "failed: " + ToUtf8(planned.m_strProblem);
        } else {
            result.SetBook(planned.m_nChapters, planned.m_llLength);
            std::error_code error;
            std::filesystem::create_directories(ToPath(book.m_strOutput).parent_path(), error);
            planned.m_context.m_pPool = &m_pool;
            const auto started = std::chrono::steady_clock::now();
            CConverter converter(std::move(planned.m_context));
            {
                const std::lock_guard lock(m_lock);
                m_pCurrent = &converter;
            }
            // An abort that came before the book was current.
            if (m_bAbort)
                converter.Abort();
            converter.Start();
            converter.WaitForEnd(INFINITE_WAIT);
            {
                const std::lock_guard lock(m_lock);
                m_pCurrent = nullptr;
            }
            result.SetTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
            const sConversionOutcome& outcome = converter.Outcome();
            if (outcome.m_eOutcome == eOutcome::Completed)
                result.m_strResult = "done";
            else if (outcome.m_eOutcome == eOutcome::Aborted)
                result.m_strResult = "aborted";
            else
                result.m_strResult =
                    "failed: " + ToUtf8(outcome.m_strError.empty() ? u"The conversion failed." : outcome.m_strError);
            if (size_t end = result.m_strResult.find('\n'); end != std::string::npos)
                result.m_strResult.resize(end);
        }
        const std::lock_guard lock(m_lock);
        ++m_nBooksDone;
    }
    m_ended.Set();
}
