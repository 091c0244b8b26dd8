#include "cli/Conversion.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "cli/BookPlan.h"
#include "engine/Converter.h"
#include "engine/ThreadPool.h"
#include "cli/DisplayText.h"
#include "cli/ProgressDisplay.h"
#include "cli/StopSignals.h"
#include "project/LeftOutChapters.h"

namespace {

constexpr int POLL_MILLISECONDS = 100;

std::u16string_view WithoutTrailingNewlines(std::u16string_view text)
{
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.remove_suffix(1);
    return text;
}

}  // namespace

sBookRun RunConversion(sConversionContext context, CThreadPool& pool,
                       const std::function<void(int position, int total)>& onProgress)
{
    sBookRun run;
    // The engine's console lines are debug lines here: standard output
    // carries only what the command reports.
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
        if (CaughtStopSignal() != 0 && !run.m_bAborted) {
            converter.Abort();
            run.m_bAborted = true;
        }
        converter.GetProgress(position, total);
        if (!run.m_bAborted)
            onProgress(position, total);
    }
    run.m_outcome = converter.Outcome();
    if (!run.m_bAborted && run.m_outcome.m_eOutcome == eOutcome::Completed) {
        converter.GetProgress(position, total);
        onProgress(total, total);
    }
    return run;
}

int StopExitCode(int signal)
{
    return signal == SIGINT ? EXIT_INTERRUPTED : 128 + signal;
}

int ConvertBook(sConversionContext context, bool quiet)
{
    const std::u16string outputPath = context.m_strOutput;
    CStopSignals signals;
    CProgressDisplay progress(stderr, ::isatty(STDERR_FILENO) == 1);
    const auto started = std::chrono::steady_clock::now();
    sBookRun run;
    {
        CThreadPool pool;
        run = RunConversion(std::move(context), pool, [&](int position, int total) {
            if (quiet)
                return;
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
            progress.Update(position, total, elapsed.count());
        });
        progress.Finish();
    }
    const sConversionOutcome& outcome = run.m_outcome;
    for (const std::u16string& warning : outcome.m_warnings)
        PrintWarning(warning);
    const std::u16string partialNote = PartialBookNote(outcome);
    if (run.m_bAborted) {
        PrintMessage(partialNote.empty() ? u"Aborted; the partial book " + outputPath + u" was left as it is."
                                         : u"Aborted. " + partialNote);
        return StopExitCode(CaughtStopSignal());
    }
    if (outcome.m_eOutcome != eOutcome::Completed) {
        PrintMessage(outcome.m_strError.empty() ? u"The conversion failed." : WithoutTrailingNewlines(outcome.m_strError));
        if (!partialNote.empty())
            PrintMessage(partialNote);
        return EXIT_FAILED;
    }
    for (const sLeftOutChapter& chapter : outcome.m_leftOutChapters)
        PrintMessage(LeftOutChapterText(chapter));
    std::printf("%s\n", EscapeForDisplay(outputPath).c_str());
    return EXIT_DONE;
}
