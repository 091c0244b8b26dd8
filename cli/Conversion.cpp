#include "cli/Conversion.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <unistd.h>

#include "cli/BookPlan.h"
#include "engine/Converter.h"
#include "engine/ThreadPool.h"
#include "cli/DisplayText.h"
#include "cli/ProgressDisplay.h"
#include "project/LeftOutChapters.h"

namespace {

constexpr int POLL_MILLISECONDS = 100;

// The first stop signal caught, 0 before one. Lock-free, so that the handler
// may touch it whichever thread it interrupts.
std::atomic<int> g_nStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The first Ctrl+C asks the job to wind down; a second one, for a job that
// does not end, ends the process the default way. Only async-signal-safe
// calls here.
extern "C" void OnStopSignal(int signal)
{
    int none = 0;
    if (g_nStopSignal.compare_exchange_strong(none, signal))
        return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Catches Ctrl+C (and a termination request) for its lifetime.
class CStopSignals {
public:
    CStopSignals()
    {
        g_nStopSignal = 0;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previousInterrupt);
        sigaction(SIGTERM, &action, &m_previousTerminate);
    }
    ~CStopSignals()
    {
        sigaction(SIGINT, &m_previousInterrupt, nullptr);
        sigaction(SIGTERM, &m_previousTerminate, nullptr);
    }
    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

private:
    struct sigaction m_previousInterrupt {};
    struct sigaction m_previousTerminate {};
};

// Blocks the stop signals in the calling thread for its lifetime. Threads
// started meanwhile inherit the block, so the signals always reach the main
// thread, which waits for the job and can act on them.
class CStopSignalsBlocked {
public:
    CStopSignalsBlocked()
    {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stop, &m_previous);
    }
    ~CStopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }
    CStopSignalsBlocked(const CStopSignalsBlocked&) = delete;
    CStopSignalsBlocked& operator=(const CStopSignalsBlocked&) = delete;

private:
    sigset_t m_previous;
};

std::u16string_view WithoutTrailingNewlines(std::u16string_view text)
{
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

int ConvertBook(sConversionContext context, bool quiet)
{
    const std::u16string outputPath = context.m_strOutput;
    CStopSignals signals;
    CProgressDisplay progress(stderr, ::isatty(STDERR_FILENO) == 1);
    const auto started = std::chrono::steady_clock::now();
    bool aborted = false;
    int stopSignal = 0;
    bool failed = false;
    std::u16string error;
    std::vector<sLeftOutChapter> leftOut;
    std::u16string partialNote;
    {
        // The engine's console lines are debug lines here: standard output
        // carries only the book's path.
        CThreadPool pool;
        context.m_pPool = &pool;
        context.m_pConsole = &DebugLines();
        CConverter converter(std::move(context));
        {
            const CStopSignalsBlocked blocked;
            converter.Start();
        }
        int position = 0;
        int total = 0;
        while (!converter.WaitForEnd(POLL_MILLISECONDS)) {
            if (g_nStopSignal.load() != 0 && !aborted) {
                stopSignal = g_nStopSignal.load();
                converter.Abort();
                aborted = true;
            }
            converter.GetProgress(position, total);
            if (!quiet && !aborted) {
                const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
                progress.Update(position, total, elapsed.count());
            }
        }
        const sConversionOutcome& outcome = converter.Outcome();
        if (!quiet && !aborted && outcome.m_eOutcome == eOutcome::Completed) {
            converter.GetProgress(position, total);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
            progress.Update(total, total, elapsed.count());
        }
        progress.Finish();
        failed = outcome.m_eOutcome != eOutcome::Completed;
        error = outcome.m_strError;
        leftOut = outcome.m_leftOutChapters;
        partialNote = PartialBookNote(outcome);
        for (const std::u16string& warning : outcome.m_warnings)
            PrintWarning(warning);
    }
    if (aborted) {
        PrintMessage(partialNote.empty() ? u"Aborted; the partial book " + outputPath + u" was left as it is."
                                         : u"Aborted. " + partialNote);
        return stopSignal == SIGINT ? EXIT_INTERRUPTED : 128 + stopSignal;
    }
    if (failed) {
        PrintMessage(error.empty() ? u"The conversion failed." : WithoutTrailingNewlines(error));
        if (!partialNote.empty())
            PrintMessage(partialNote);
        return EXIT_FAILED;
    }
    for (const sLeftOutChapter& chapter : leftOut)
        PrintMessage(LeftOutChapterText(chapter));
    std::printf("%s\n", EscapeForDisplay(outputPath).c_str());
    return EXIT_DONE;
}
