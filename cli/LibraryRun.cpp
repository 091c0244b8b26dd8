#include "cli/LibraryRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>
#include <unistd.h>

#include "base/Text.h"
#include "cli/BookPlan.h"
#include "cli/Conversion.h"
#include "cli/DisplayText.h"
#include "cli/ProgressDisplay.h"
#include "cli/StopSignals.h"
#include "engine/ThreadPool.h"
#include "project/Library.h"
#include "project/LibrarySummary.h"
#include "project/PathText.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Why `given` cannot be the folder the books go to, or empty.
std::string OutputFolderProblem(const std::string& given, const std::u16string& absolute)
{
    if (given.empty())
        return "-o needs the folder the books go to, not an empty text";
    std::error_code error;
    const fs::file_status status = fs::status(ToPath(absolute), error);
    const bool bookName = EqualsIgnoreCase(ExtensionOf(absolute), u".m4b");
    if ((fs::exists(status) && !fs::is_directory(status)) || (!fs::exists(status) && bookName))
        return "with --each, -o names the folder the books go to, not a book's file: " + given;
    return {};
}

// Plans one book on a thread of its own while another converts. The thread
// never takes the stop signals: they reach the main thread.
class CPlanAhead {
public:
    ~CPlanAhead() { Wait(); }

    void Start(size_t index, const sLibraryBook& book, const sCliOptions& options, const std::u16string& workingFolder)
    {
        Wait();
        m_nIndex = index;
        const CStopSignalsBlocked blocked;
        m_thread = std::thread([this, &book, &options, workingFolder] {
            m_plan = PlanLibraryBook(book, options, workingFolder);
        });
    }

    // The plan of book `index` when it is the one planned ahead.
    std::optional<sBookPlan> Take(size_t index)
    {
        Wait();
        if (m_nIndex != index)
            return std::nullopt;
        m_nIndex = SIZE_MAX;
        return std::move(m_plan);
    }

private:
    void Wait()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    std::thread m_thread;
    size_t m_nIndex = SIZE_MAX;
    sBookPlan m_plan;
};

// What the library run knows of the time left: the seconds of audio done so
// far and how long they took.
class CLibraryProgress {
public:
    CLibraryProgress(size_t books, bool quiet)
        : m_nBooks(books), m_bQuiet(quiet), m_display(stderr, ::isatty(STDERR_FILENO) == 1)
    {
    }

    // The book at `number` (1-based), `title`, starts; `booksLeftAfter` books
    // after it are still to be made, of unknown length.
    void BeginBook(size_t number, std::u16string title, size_t booksLeftAfter)
    {
        m_nNumber = number;
        m_strTitle = EscapeForDisplay(title);
        m_nLeftAfter = booksLeftAfter;
        m_bookStarted = Clock::now();
    }

    void Update(int position, int total)
    {
        m_nPosition = position;
        m_nTotal = total;
        if (m_bQuiet || total <= 0)
            return;
        char head[64];
        std::snprintf(head, sizeof head, "Book %zu of %zu: ", m_nNumber, m_nBooks);
        const int percent = static_cast<int>(100LL * std::clamp(position, 0, total) / total);
        std::string line = head + m_strTitle + "  " + FormatProgressBar(position, total) + " " +
                           std::to_string(percent) + "%  all left " + TimeLeft();
        m_display.Show(line, position, total, SecondsSince(m_bookStarted));
    }

    // The book ended; its audio counts toward the rate when it completed.
    void EndBook(bool completed)
    {
        if (completed) {
            m_audioDone += m_nTotal;
            m_convertingSeconds += SecondsSince(m_bookStarted);
            ++m_nBooksDone;
        }
        m_nPosition = m_nTotal = 0;
    }

    // Ends the redrawn line before a message or the summary.
    void Pause() { m_display.Finish(); }

private:
    // From the rate so far and the lengths known: the books done and the
    // current one; each book still to come counts as long as their average.
    std::string TimeLeft() const
    {
        const double audio = m_audioDone + m_nPosition;
        if (audio <= 0)
            return "--:--";
        const double rate = (m_convertingSeconds + SecondsSince(m_bookStarted)) / audio;
        const double average = (m_audioDone + m_nTotal) / static_cast<double>(m_nBooksDone + 1);
        const double left = (m_nTotal - m_nPosition) + average * m_nLeftAfter;
        return FormatDuration(static_cast<long>(rate * left + 0.5));
    }

    const size_t m_nBooks;
    const bool m_bQuiet;
    CProgressDisplay m_display;
    size_t m_nNumber = 0;
    std::string m_strTitle;
    size_t m_nLeftAfter = 0;
    Clock::time_point m_bookStarted = Clock::now();
    int m_nPosition = 0;
    int m_nTotal = 0;
    double m_audioDone = 0;
    double m_convertingSeconds = 0;
    size_t m_nBooksDone = 0;
};

std::u16string_view FirstLine(std::u16string_view text)
{
    return text.substr(0, text.find_first_of(u"\r\n"));
}

int ListBooks(const std::vector<sLibraryBook>& books, const sCliOptions& options, const std::u16string& workingFolder)
{
    bool failed = false;
    for (size_t i = 0; i < books.size(); ++i) {
        const sLibraryBook& book = books[i];
        std::string text = "Book " + std::to_string(i + 1) + " of " + std::to_string(books.size()) + ": " +
                           EscapeForDisplay(book.m_strName) + "\n";
        const sBookPlan plan = PlanLibraryBook(book, options, workingFolder);
        if (plan.m_nExitCode != EXIT_DONE) {
            text += "Cannot be made: " + plan.m_strError + "\nOutput: " + EscapeForDisplay(book.m_strOutput) + "\n";
            failed = true;
        } else {
            sLibraryResult shown;
            shown.SetBook(ChapterCount(plan), plan.m_llLength);
            text += "Chapters: " + shown.m_strChapters + "\nLength: " + shown.m_strLength + "\n" + DescribeDetails(plan);
        }
        if (LibraryBookExists(book))
            text += options.m_bForce ? "(exists: made again)\n" : "(exists: skipped)\n";
        std::fputs((text + "\n").c_str(), stdout);
    }
    return failed ? EXIT_FAILED : EXIT_DONE;
}

int ConvertBooks(const std::vector<sLibraryBook>& books, const sCliOptions& options,
                 const std::u16string& workingFolder)
{
    const auto toMake = [&](size_t index) { return options.m_bForce || !LibraryBookExists(books[index]); };
    CStopSignals signals;
    CThreadPool pool;
    CPlanAhead ahead;
    CLibraryProgress progress(books.size(), options.m_bQuiet);
    std::vector<sLibraryResult> summary;
    const Clock::time_point started = Clock::now();
    std::optional<Clock::time_point> lastEnded;  // when the last conversion ended
    double idleSeconds = 0;
    int stopSignal = 0;
    bool anyFailed = false;
    size_t made = 0;
    size_t skipped = 0;
    for (size_t i = 0; i < books.size(); ++i) {
        const sLibraryBook& book = books[i];
        sLibraryResult& row = summary.emplace_back();
        row.m_strName = EscapeForDisplay(book.m_strName);
        if (stopSignal != 0 || (stopSignal = CaughtStopSignal()) != 0) {
            row.m_strResult = "not started";
            continue;
        }
        if (!toMake(i)) {
            row.m_strResult = "skipped: exists";
            ++skipped;
            continue;
        }
        std::optional<sBookPlan> planned = ahead.Take(i);
        sBookPlan plan = planned ? std::move(*planned) : PlanLibraryBook(book, options, workingFolder);
        // The next book's files and tags are read while this one converts.
        size_t next = i + 1;
        while (next < books.size() && !toMake(next))
            ++next;
        if (next < books.size())
            ahead.Start(next, books[next], options, workingFolder);

        auto fail = [&](std::u16string reason) {
            reason = std::u16string(FirstLine(reason));
            progress.Pause();
            PrintMessage(book.m_strName + u": " + reason);
            row.m_strResult = "failed: " + EscapeForDisplay(reason);
            anyFailed = true;
        };
        if (plan.m_nExitCode != EXIT_DONE) {
            fail(FromUtf8(plan.m_strError));
            continue;
        }
        row.SetBook(ChapterCount(plan), plan.m_llLength);
        std::error_code error;
        fs::create_directories(ToPath(plan.m_strOutput).parent_path(), error);
        if (error) {
            fail(u"Couldn't create the folder " + FromPath(ToPath(plan.m_strOutput).parent_path()));
            continue;
        }

        size_t after = 0;
        for (size_t k = i + 1; k < books.size(); ++k)
            after += toMake(k) ? 1 : 0;
        progress.BeginBook(i + 1, plan.m_details[eDetail::Album].empty() ? book.m_strName : plan.m_details[eDetail::Album],
                           after);
        if (lastEnded)
            idleSeconds += SecondsSince(*lastEnded);
        const Clock::time_point bookStarted = Clock::now();
        const sBookRun run = RunConversion(std::move(plan.m_context), pool,
                                           [&](int position, int total) { progress.Update(position, total); });
        lastEnded = Clock::now();
        row.SetTime(SecondsSince(bookStarted));
        const sConversionOutcome& outcome = run.m_outcome;
        progress.EndBook(!run.m_bAborted && outcome.m_eOutcome == eOutcome::Completed);
        for (const std::u16string& warning : outcome.m_warnings) {
            progress.Pause();
            PrintWarning(book.m_strName + u": " + warning);
        }
        const std::u16string partial = outcome.m_strPartialBook.empty()
                                           ? std::u16string()
                                           : u" (the partial book is " + outcome.m_strPartialBook + u")";
        if (run.m_bAborted) {
            stopSignal = CaughtStopSignal();
            progress.Pause();
            PrintMessage(book.m_strName + u": Aborted." + partial);
            row.m_strResult = "aborted";
        } else if (outcome.m_eOutcome != eOutcome::Completed) {
            fail((outcome.m_strError.empty() ? u"The conversion failed." : outcome.m_strError) + partial);
        } else {
            row.m_strResult = "done";
            ++made;
        }
    }
    progress.Pause();
    std::string table = LibrarySummaryTable(summary);
    char footer[160];
    std::snprintf(footer, sizeof footer, "%zu books: %zu made, %zu skipped, %zu failed or not made in %s; %.2f s between books\n",
                  books.size(), made, skipped, books.size() - made - skipped,
                  FormatDuration(static_cast<long>(SecondsSince(started) + 0.5)).c_str(), idleSeconds);
    std::fputs((table + footer).c_str(), stdout);
    if (stopSignal != 0)
        return StopExitCode(stopSignal);
    return anyFailed ? EXIT_FAILED : EXIT_DONE;
}

}  // namespace

int RunLibrary(const sCliOptions& options, const std::u16string& workingFolder)
{
    std::u16string outputFolder;
    if (options.m_output) {
        outputFolder = AbsolutePath(*options.m_output, workingFolder);
        const std::string problem = OutputFolderProblem(*options.m_output, outputFolder);
        if (!problem.empty()) {
            PrintMessage(FromUtf8(problem));
            std::fputs(UsageText().c_str(), stderr);
            return EXIT_USAGE;
        }
    }
    std::vector<std::u16string> roots;
    for (const std::string& given : options.m_paths) {
        const std::u16string root = AbsolutePath(given, workingFolder);
        if (!IsFolderPath(root)) {
            PrintMessage(u"--each takes folders; " + FromUtf8(given) + u" is not one");
            return EXIT_FAILED;
        }
        roots.push_back(root);
    }
    const std::vector<sLibraryBook> books = FindLibraryBooks(roots, outputFolder);
    if (books.empty()) {
        PrintMessage(u"No book folders (folders with audio files) under the given folders");
        return EXIT_FAILED;
    }
    return options.m_bDryRun ? ListBooks(books, options, workingFolder) : ConvertBooks(books, options, workingFolder);
}
