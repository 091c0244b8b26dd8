#include "cli/BookPlan.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "cli/DisplayText.h"
#include "engine/Settings.h"
#include "project/LeftOutChapters.h"
#include "project/PathText.h"
#include "project/SplitChoice.h"
#include "base/Text.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* NO_BOOK_NAME = "no folder given to name the book after; choose the book's file with -o FILE";

}  // namespace

// Absolute, without "." steps and without a trailing separator, so that a
// folder given as "." or "Book/" is named after the folder itself. A ".."
// step is left to the file system: after a link it leads to the link
// target's parent, not to the folder before the link. So the part up to the
// last ".." is resolved as the kernel resolves it (when it exists); the
// components after it keep the names given.
std::u16string AbsolutePath(const std::string& given, const std::u16string& workingFolder)
{
    if (given.empty())
        return {};
    fs::path path = ToPath(FromUtf8(given));
    if (path.is_relative())
        path = ToPath(workingFolder) / path;
    std::vector<fs::path> parts;
    size_t afterLastParent = 0;
    for (const fs::path& part : path) {
        if (part.empty() || part == ".")
            continue;
        parts.push_back(part);
        if (part == "..")
            afterLastParent = parts.size();
    }
    fs::path kept;
    for (size_t i = 0; i < afterLastParent; ++i)
        kept /= parts[i];
    if (afterLastParent > 0) {
        std::error_code error;
        const fs::path resolved = fs::canonical(kept, error);
        if (!error)
            kept = resolved;
    }
    for (size_t i = afterLastParent; i < parts.size(); ++i)
        kept /= parts[i];
    return FromPath(kept);
}

namespace {

// Why the -o value cannot name the book's file, or empty when it can. A
// folder (also one still to be made, written with a trailing separator)
// would otherwise reach the engine and fail only after the tags are read.
std::string OutputProblem(const std::string& given, const std::u16string& absolute)
{
    if (given.empty())
        return "-o needs the book's file name, not an empty text";
    const std::string name = fs::path(given).filename().string();
    if (given.back() == '/' || name == "." || name == ".." || IsFolderPath(absolute)) {
        const std::string folder = given.back() == '/' ? given : given + "/";
        return "-o " + given + " names a folder; give the book's file name, for example -o " + folder + "Book.m4b";
    }
    return {};
}

// ".mp3, .wma, ..." for messages.
std::string AudioExtensionList()
{
    std::string list;
    for (std::u16string_view extension : AUDIO_EXTENSIONS) {
        if (!list.empty())
            list += ", ";
        list += ToUtf8(extension);
    }
    return list;
}

sBookPlan Failure(int exitCode, std::string message)
{
    sBookPlan plan;
    plan.m_nExitCode = exitCode;
    plan.m_strError = std::move(message);
    return plan;
}

void Override(std::u16string& detail, const std::optional<std::string>& value)
{
    if (value)
        detail = FromUtf8(*value);
}

// The plan of the book that `project` holds after a drop, written to `output`
// (empty: a dry run without a name).
sBookPlan PlanDroppedBook(CBookProject& project, const sCliOptions& options, const std::u16string& workingFolder,
                          const std::u16string& chaptersFile, const std::u16string& output);

}  // namespace

sBookPlan PlanBook(const sCliOptions& options, const std::u16string& workingFolder, TagReader readTags,
                   ChapterReader readChapters)
{
    std::vector<std::u16string> paths;
    for (const std::string& given : options.m_paths) {
        const std::u16string path = AbsolutePath(given, workingFolder);
        std::error_code error;
        if (!fs::exists(ToPath(path), error))
            return Failure(EXIT_FAILED, "Can't find " + (given.empty() ? std::string("\"\" (an empty path)") : given));
        paths.push_back(path);
    }

    if (options.m_cover && options.m_cover->empty())
        return Failure(EXIT_USAGE, "--cover needs a picture's file name; --no-cover gives a book without one");
    if (options.m_output) {
        const std::string problem = OutputProblem(*options.m_output, AbsolutePath(*options.m_output, workingFolder));
        if (!problem.empty())
            return Failure(EXIT_USAGE, problem);
    }
    // Without -o the book is named after a folder; without one there is no
    // name, which is worth saying before every file's tags are read. A dry
    // run writes nothing and shows the name as unknown.
    if (!options.m_output && !options.m_bDryRun && std::none_of(paths.begin(), paths.end(), IsFolderPath))
        return Failure(EXIT_USAGE, NO_BOOK_NAME);

    std::u16string chaptersFile;
    if (options.m_chaptersFile) {
        if (options.m_chaptersFile->empty())
            return Failure(EXIT_USAGE, "--chapters-file needs the file name of a .cue sheet or a chapter list");
        chaptersFile = AbsolutePath(*options.m_chaptersFile, workingFolder);
        std::error_code error;
        if (!fs::is_regular_file(ToPath(chaptersFile), error))
            return Failure(EXIT_FAILED, "Can't find " + *options.m_chaptersFile);
    }

    CBookProject project(std::move(readTags), std::move(readChapters));
    project.SetSheetEncoding(options.m_sheetEncoding.value_or(std::string()));
    project.Drop(paths);
    std::u16string output;
    if (options.m_output)
        output = AbsolutePath(*options.m_output, workingFolder);
    else if (!project.OfferedFileName().empty())
        output = JoinPath(workingFolder, project.OfferedFileName());
    else if (!options.m_bDryRun && project.CanStart())
        return Failure(EXIT_USAGE, NO_BOOK_NAME);
    return PlanDroppedBook(project, options, workingFolder, chaptersFile, output);
}

sBookPlan PlanLibraryBook(const sLibraryBook& book, const sCliOptions& options, const std::u16string& workingFolder,
                          TagReader readTags)
{
    if (options.m_cover && options.m_cover->empty())
        return Failure(EXIT_USAGE, "--cover needs a picture's file name; --no-cover gives a book without one");
    CBookProject project(std::move(readTags));
    project.SetSheetEncoding(options.m_sheetEncoding.value_or(std::string()));
    project.DropBookFolder(book.m_strFolder, book.m_files);
    sBookPlan plan = PlanDroppedBook(project, options, workingFolder, {}, book.m_strOutput);
    plan.m_context.m_bPartialBesideOnly = true;
    return plan;
}

namespace {

sBookPlan PlanDroppedBook(CBookProject& project, const sCliOptions& options, const std::u16string& workingFolder,
                          const std::u16string& chaptersFile, const std::u16string& output)
{
    if (!project.CanStart())
        return Failure(EXIT_FAILED, "No audio files (" + AudioExtensionList() + ") in the given paths");
    project.SetChapterSource(options.m_nChapterMode);
    project.SetChapterSplit(options.m_split);
    if (options.m_chaptersFile) {
        if (project.Rows().size() != 1)
            return Failure(EXIT_USAGE, "--chapters-file is for a book of one audio file, not of " +
                                           std::to_string(project.Rows().size()));
        project.SetChapterFile(chaptersFile);
    }
    if (!project.ChapterProblems().empty()) {
        std::string problems;
        for (const std::u16string& problem : project.ChapterProblems()) {
            if (!problems.empty())
                problems += '\n';
            problems += EscapeForDisplay(problem);
        }
        return Failure(EXIT_FAILED, problems);
    }

    sBookDetails& details = project.Details();
    for (const sDetailRow& row : DETAIL_ROWS)
        Override(details[row.m_detail], options.m_details[static_cast<size_t>(row.m_detail)]);

    if (options.m_cover)
        project.SetCoverPath(AbsolutePath(*options.m_cover, workingFolder));
    else if (options.m_bNoCover)
        project.SetCoverPath({});

    sBookPlan plan;
    plan.m_strOutput = output;

    const sEncodingChoice encoding = ReadEncodingChoice(options.m_settingsFile, options.m_bitrate, options.m_bReencode);
    if (options.m_bDryRun || !options.m_chapterTitles.empty()) {
        plan.m_chapters = project.BookChapters(encoding);
        for (const auto& [number, title] : options.m_chapterTitles) {
            if (static_cast<size_t>(number) > plan.m_chapters.size())
                return Failure(EXIT_USAGE, "--chapter-title " + std::to_string(number) + "=...: the book has " +
                                               std::to_string(plan.m_chapters.size()) + " chapters");
            sBookChapter& chapter = plan.m_chapters[static_cast<size_t>(number) - 1];
            chapter.m_strTitle = FromUtf8(title);
            const std::u16string refused = project.RenameChapter(chapter.m_nFile, chapter.m_nMark, chapter.m_strTitle);
            if (!refused.empty())
                return Failure(EXIT_USAGE, "--chapter-title " + std::to_string(number) + ": " + ToUtf8(refused));
        }
    }
    plan.m_context = project.BuildConversion(plan.m_strOutput, encoding);
    plan.m_leftOutChapters = ChaptersPastStatedEnd(project.Rows(), project.ChapterSource());
    plan.m_strCover = project.Cover().GetCoverPath();
    plan.m_details = project.Details();
    for (const auto& row : project.Rows())
        plan.m_llLength += row->m_llDuration;
    plan.m_sheetNotices = project.ChapterNotices();
    if (options.m_cover && project.CoverTooLarge())
        return Failure(EXIT_FAILED, ToUtf8(CoverTooLargeText(FromUtf8(*options.m_cover))));
    if (options.m_cover && plan.m_context.m_cover.Size() == 0)
        return Failure(EXIT_FAILED, "Can't read cover picture " + *options.m_cover);

    // Writing the book over one of its own inputs would destroy that input.
    switch (plan.m_strOutput.empty() ? eOutputClash::None : project.OutputClash(plan.m_strOutput)) {
    case eOutputClash::InputFile:
        return Failure(EXIT_FAILED, "The output file " + ToUtf8(plan.m_strOutput) + " is one of the input files");
    case eOutputClash::Cover:
        return Failure(EXIT_FAILED, "The output file " + ToUtf8(plan.m_strOutput) + " is the cover picture");
    case eOutputClash::None:
        break;
    }
    return plan;
}

}  // namespace

// What a split makes of `chapter`, said, not guessed at: a tab and the note
// in brackets, or nothing.
std::string SplitNote(const sBookChapter& chapter, const sChapterSplit& split)
{
    const std::u16string note = DescribeChapterSplit(chapter.m_length.value_or(0), split);
    return note.empty() ? std::string() : "\t(" + ToUtf8(note) + ")";
}

std::string DescribePlan(const sBookPlan& plan)
{
    std::string text;
    for (const std::u16string& notice : plan.m_sheetNotices)
        text += "Note: " + EscapeForDisplay(notice) + "\n";
    text += "Chapters:\n";
    // One line a chapter, its start in the book first.
    for (const sBookChapter& chapter : plan.m_chapters)
        text += ToUtf8(FormatBookTime(chapter.m_start)) + "\t" + std::to_string(chapter.m_nNumber) + "\t" +
                ToUtf8(FormatBookTime(chapter.m_length)) + "\t" + EscapeForDisplay(chapter.m_strTitle) + "\t" +
                EscapeForDisplay(chapter.m_strPath) + SplitNote(chapter, plan.m_context.m_split) + "\n";
    if (const std::u16string warning = TooManyChaptersText(plan.m_chapters.size()); !warning.empty())
        text += "Warning: " + ToUtf8(warning) + "\n";
    return text + DescribeDetails(plan);
}

size_t ChapterCount(const sBookPlan& plan)
{
    size_t count = 0;
    for (const sInputFile& input : plan.m_context.m_files)
        count += std::max<size_t>(1, input.m_chapters.size());
    return count;
}

std::string DescribeDetails(const sBookPlan& plan)
{
    std::string text;
    // The main window's details always, the others where they are set.
    for (const sDetailRow& row : DETAIL_ROWS) {
        const std::u16string& value = plan.m_details[row.m_detail];
        if (row.InMainWindow() || !value.empty())
            text += ToUtf8(std::u16string(row.m_label)) + " " + EscapeForDisplay(value) + "\n";
    }
    text += "Cover: ";
    if (plan.m_strCover.empty())
        text += "(none)";
    else if (IsCoverTooLarge(plan.m_strCover))
        text += EscapeForDisplay(plan.m_strCover) + " (too large: no cover)";
    else if (plan.m_context.m_cover.Size() == 0)
        text += EscapeForDisplay(plan.m_strCover) + " (unreadable: no cover)";
    else
        text += EscapeForDisplay(plan.m_strCover) + (IsEmbeddedCover(plan.m_strCover) ? " (embedded)" : "");
    text += "\nOutput: " +
            (plan.m_strOutput.empty() ? std::string("(unknown: no -o FILE and no folder to name the book after)")
                                      : EscapeForDisplay(plan.m_strOutput)) +
            "\n";
    return text;
}
