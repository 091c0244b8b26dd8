// tavlin-cli: converts files and folders into one audiobook from the command
// line, with the same rules as a drop onto the window.
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/BookPlan.h"
#include "cli/CliOptions.h"
#include "cli/Conversion.h"
#include "cli/DisplayText.h"
#include "cli/LibraryRun.h"
#include "engine/Settings.h"
#include "project/LeftOutChapters.h"
#include "base/Text.h"
#include "ffmpeg/LogLevel.h"

#ifndef TAVLIN_VERSION
#define TAVLIN_VERSION "unknown"
#endif

namespace {

// `exitCode`, or EXIT_FAILED when something written to standard output did
// not reach it (a full device, a closed pipe): help, a listing or the book's
// path that nobody got is no success.
int AfterStandardOutput(int exitCode)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return exitCode;
    const int error = errno;
    PrintMessage(u"can't write to standard output: " + FromUtf8(std::strerror(error)));
    return EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv)
{
    // File names in the user's character set for the tag library.
    std::setlocale(LC_CTYPE, "");
    ffmpeg::SetProgramLogLevel();
    const sCliParse parse = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (parse.m_action) {
    case eCliAction::Help:
        std::fputs(HelpText().c_str(), stdout);
        return AfterStandardOutput(EXIT_DONE);
    case eCliAction::Version:
        std::printf("tavlin-cli %s\n", TAVLIN_VERSION);
        return AfterStandardOutput(EXIT_DONE);
    case eCliAction::UsageError:
        PrintMessage(FromUtf8(parse.m_strError));
        std::fputs(UsageText().c_str(), stderr);
        return EXIT_USAGE;
    case eCliAction::Convert:
        break;
    }

    sCliOptions options = parse.m_options;
    // Without --sheet-encoding, the settings file's, as the window reads it.
    options.m_settingsFile = ProgramSettingsPath();
    if (!options.m_sheetEncoding)
        options.m_sheetEncoding = ConfiguredSheetEncoding(options.m_settingsFile);
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error) {
        PrintMessage(u"the current folder cannot be read");
        return EXIT_FAILED;
    }
    if (options.m_bEach)
        return AfterStandardOutput(RunLibrary(options, FromPath(here)));
    const sBookPlan plan = PlanBook(options, FromPath(here), MediaInfoTagReader());
    if (plan.m_nExitCode != EXIT_DONE) {
        PrintMessage(FromUtf8(plan.m_strError));
        if (plan.m_nExitCode == EXIT_USAGE)
            std::fputs(UsageText().c_str(), stderr);
        return plan.m_nExitCode;
    }
    if (options.m_bDryRun) {
        std::fputs(DescribePlan(plan).c_str(), stdout);
        for (const sLeftOutChapter& chapter : plan.m_leftOutChapters)
            PrintMessage(LeftOutChapterText(chapter));
        return AfterStandardOutput(EXIT_DONE);
    }
    for (const std::u16string& notice : plan.m_sheetNotices)
        PrintMessage(u"note: " + notice);
    return AfterStandardOutput(ConvertBook(plan.m_context, options.m_bQuiet));
}
