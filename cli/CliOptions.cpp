#include "cli/CliOptions.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "aac/AacEncoder.h"
#include "base/Text.h"
#include "project/SheetText.h"
#include "project/SplitChoice.h"

namespace {

// The text option that `name` sets, or null.
std::optional<std::string>* TextOption(sCliOptions& options, const std::string& name)
{
    if (name.starts_with("--")) {
        if (const sDetailRow* row = FindDetailRow(std::string_view(name).substr(2)))
            return &options.m_details[static_cast<size_t>(row->m_detail)];
    }
    if (name == "--cover")
        return &options.m_cover;
    if (name == "--chapters-file")
        return &options.m_chaptersFile;
    if (name == "--sheet-encoding")
        return &options.m_sheetEncoding;
    if (name == "--description-file")
        return &options.m_descriptionFile;
    if (name == "-o" || name == "--output")
        return &options.m_output;
    return nullptr;
}

bool TakesValue(const std::string& name)
{
    sCliOptions probe;
    return TextOption(probe, name) || name == "--chapters" || name == "--bitrate" || name == "--chapter-title" ||
           name == "--split-chapters";
}

// The rates the encoder can honour at some sample rate; the top is its limit
// at the highest rate (96 kHz). A refused rate would make the encoder fall
// back to its default, so the book would silently come out at another rate.
unsigned long LowestBitrate()
{
    return aac::MinBitRatePerChannel();
}

unsigned long HighestBitrate()
{
    return aac::MaxBitRatePerChannel(96000);
}

// One line per detail: "--key TEXT" and its label, the first line saying
// what they all do.
std::string DetailOptionsHelp()
{
    std::string text;
    for (const sDetailRow& row : DETAIL_ROWS) {
        std::string option = "      --" + std::string(row.m_key) + " TEXT";
        option.resize(std::max<size_t>(option.size() + 1, 26), ' ');
        std::string label = ToUtf8(std::u16string(row.m_label));
        label.pop_back();  // the colon
        text += option + label + (text.empty() ? " (replaces what was read; an empty TEXT clears it)" : "") + "\n";
    }
    return text;
}

std::string BitrateRange()
{
    return std::to_string(LowestBitrate()) + " to " + std::to_string(HighestBitrate());
}

std::optional<unsigned long> ParseBitrate(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    const unsigned long value = std::stoul(text);
    if (value < LowestBitrate() || value > HighestBitrate())
        return std::nullopt;
    return value;
}

// The chapter number and title of "N=TEXT"; nullopt unless N is a number
// from 1 and TEXT holds more than spaces.
std::optional<std::pair<int, std::string>> ParseChapterTitle(const std::string& text)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals > 6)
        return std::nullopt;
    for (size_t i = 0; i < equals; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
    }
    const int number = std::stoi(text.substr(0, equals));
    std::string title = text.substr(equals + 1);
    if (number < 1 || title.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;
    return std::make_pair(number, std::move(title));
}

// The text of a description file: UTF-8 without its byte-order mark, line
// breaks as line feeds, without the line break that ends the last line.
// None when the file cannot be read.
std::optional<std::string> ReadDescriptionFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    std::string_view content = bytes;
    if (content.starts_with("\xEF\xBB\xBF"))
        content.remove_prefix(3);
    std::string text;
    for (size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r') {
            text += '\n';
            if (i + 1 < content.size() && content[i + 1] == '\n')
                ++i;
        } else {
            text += content[i];
        }
    }
    while (text.ends_with('\n'))
        text.pop_back();
    return text;
}

sCliParse UsageError(std::string message)
{
    sCliParse result;
    result.m_action = eCliAction::UsageError;
    result.m_strError = std::move(message);
    return result;
}

}  // namespace

sCliParse ParseCommandLine(const std::vector<std::string>& arguments)
{
    sCliParse result;
    sCliOptions& options = result.m_options;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.m_paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> value;
        if (const size_t equals = argument.find('='); argument.starts_with("--") && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
        }
        if (TakesValue(argument) && !value) {
            if (i + 1 >= arguments.size())
                return UsageError("option " + argument + " needs a value");
            value = arguments[++i];
        } else if (!TakesValue(argument) && value) {
            return UsageError("option " + argument + " takes no value");
        }

        if (argument == "-h" || argument == "--help") {
            result.m_action = eCliAction::Help;
            return result;
        }
        if (argument == "--version") {
            result.m_action = eCliAction::Version;
            return result;
        }
        if (std::optional<std::string>* text = TextOption(options, argument)) {
            *text = *value;
        } else if (argument == "--chapters") {
            if (*value == "tag")
                options.m_nChapterMode = 1;
            else if (*value == "filename")
                options.m_nChapterMode = 0;
            else
                return UsageError("--chapters takes \"tag\" or \"filename\", not \"" + *value + "\"");
        } else if (argument == "--bitrate") {
            options.m_bitrate = ParseBitrate(*value);
            if (!options.m_bitrate)
                return UsageError("--bitrate takes a whole number of bit/s per channel from " + BitrateRange() +
                                  ", not \"" + *value + "\"");
        } else if (argument == "--chapter-title") {
            std::optional<std::pair<int, std::string>> title = ParseChapterTitle(*value);
            if (!title)
                return UsageError("--chapter-title takes N=TEXT, the chapter's number in the book (from 1, as "
                                  "--dry-run shows it) and a title that is not empty, not \"" + *value + "\"");
            options.m_chapterTitles.push_back(std::move(*title));
        } else if (argument == "--split-chapters") {
            std::string error;
            const std::optional<sChapterSplit> split = ParseSplitChoice(*value, error);
            if (!split)
                return UsageError(error);
            options.m_split = *split;
        } else if (argument == "--reencode") {
            options.m_bReencode = true;
        } else if (argument == "--no-cover") {
            options.m_bNoCover = true;
        } else if (argument == "--each") {
            options.m_bEach = true;
        } else if (argument == "--force") {
            options.m_bForce = true;
        } else if (argument == "--dry-run") {
            options.m_bDryRun = true;
        } else if (argument == "-q" || argument == "--quiet") {
            options.m_bQuiet = true;
        } else {
            return UsageError("unknown option " + argument);
        }
    }
    if (options.m_sheetEncoding && !IsKnownSheetEncoding(*options.m_sheetEncoding))
        return UsageError("--sheet-encoding takes an encoding that iconv knows (for example CP1251; "
                          "iconv --list names them all), not \"" + *options.m_sheetEncoding + "\"");
    if (options.m_descriptionFile) {
        std::optional<std::string>& description = options.m_details[static_cast<size_t>(eDetail::Description)];
        if (description)
            return UsageError("--description and --description-file exclude each other");
        description = ReadDescriptionFile(*options.m_descriptionFile);
        if (!description)
            return UsageError("cannot read the description file \"" + *options.m_descriptionFile + "\"");
    }
    if (options.m_cover && options.m_bNoCover)
        return UsageError("--cover and --no-cover exclude each other");
    // The book's file is written out of order (its index goes in last), so
    // it cannot go to standard output; a file named "-" is written as ./-.
    if (options.m_output && *options.m_output == "-")
        return UsageError("-o - would write the book to standard output, which cannot be done; "
                          "give a file name (./- for a file named \"-\")");
    if (options.m_paths.empty())
        return UsageError("no files or folders given");
    if (options.m_bEach && options.m_chaptersFile)
        return UsageError("--chapters-file is for a book of one file, not for --each");
    if (options.m_bForce && !options.m_bEach)
        return UsageError("--force goes with --each (a single book always replaces its file)");
    return result;
}

std::string UsageText()
{
    return "usage: tavlin-cli [options] PATH...\n"
           "       tavlin-cli --each [options] [-o FOLDER] [--force] ROOT...\n"
           "Try 'tavlin-cli --help' for the options.\n";
}

std::string HelpText()
{
    return "usage: tavlin-cli [options] PATH...\n"
           "       tavlin-cli --each [options] [-o FOLDER] [--force] ROOT...\n"
           "Converts audio files (MP3, WMA, WAV, M4A/M4B, FLAC, Ogg, Opus and more) into one .m4b\n"
           "audiobook, one chapter per file, or the file's own chapters or its .cue sheet's tracks.\n"
           "Folders are searched with their sub-folders; pictures found become cover candidates.\n"
           "\n"
           "  -o, --output FILE       the book, replaced when it exists, once the new one is\n"
           "                          complete (not \"-\": the book cannot go to standard output)\n"
           "                          (default: \"<last folder's name>.m4b\" in the current folder)\n"
           "      --chapters tag|filename\n"
           "                          chapter titles from the track-name tag (default) or file names\n"
           "      --chapters-file FILE\n"
           "                          chapters of a one-file book: a .cue sheet or lines\n"
           "                          \"[H:]MM:SS[.mmm] Title\" (a .cue's FILE line is not looked at)\n"
           "      --chapter-title N=TEXT\n"
           "                          title chapter N of the book (numbered as --dry-run shows\n"
           "                          them) TEXT; may be given for several chapters\n"
           "      --split-chapters LENGTH[,silence|,exact]\n"
           "                          cut every chapter longer than 1.5 x LENGTH (20m, 90s, 1h30m)\n"
           "                          into parts of about LENGTH, each cut in the longest pause\n"
           "                          near its place (silence, the default) or exactly there\n"
           "      --sheet-encoding NAME\n"
           "                          the encoding of sheets that are neither UTF-8 nor UTF-16\n"
           "                          with a byte-order mark, such as CP1251 (default: Tavlin.ini's\n"
           "                          sheet_encoding, else Windows-1252)\n"
           + DetailOptionsHelp() +
           "      --description-file FILE\n"
           "                          the description from a UTF-8 text file, its lines kept\n"
           "      --cover FILE        the cover picture (instead of the one found)\n"
           "      --no-cover          no cover picture\n"
           "      --bitrate N         AAC bit rate in bit/s per channel, " + BitrateRange() + "\n"
           "                          (instead of Tavlin.ini)\n"
           "      --reencode          encode the book even when every file is AAC-LC alike\n"
           "                          (M4A, M4B, .aac); without it, and without a bit rate here\n"
           "                          or in Tavlin.ini, such files' frames are copied as they are\n"
           "      --each              one book of every book folder under each ROOT: a folder\n"
           "                          with audio files, or with part folders (CD1, Disc 2, Part 3)\n"
           "                          that are joined in order; each is written as\n"
           "                          \"<folder>.m4b\" beside its folder, or with -o FOLDER under\n"
           "                          FOLDER at the folder's path below its ROOT\n"
           "      --force             with --each: make books whose file exists again\n"
           "                          (they are skipped otherwise)\n"
           "      --dry-run           show the chapters (start in the book, number, length,\n"
           "                          title, file), details and cover; convert nothing\n"
           "  -q, --quiet             no progress display\n"
           "  -h, --help              this help\n"
           "      --version           the version\n"
           "\n"
           "Ctrl+C stops the conversion and closes the partial book (beside the book it was to\n"
           "replace, as \"NAME (partial).m4b\"); a second Ctrl+C ends at once.\n"
           "A termination request (SIGTERM) stops it the same way.\n"
           "Exit status: 0 done, 1 conversion error (or standard output could not be written),\n"
           "2 usage error, 130 interrupted by Ctrl+C, 143 stopped by SIGTERM.\n"
           "With --each: 0 when every book was made or skipped, 1 when any failed; Ctrl+C ends\n"
           "the current book as above and starts no other.\n";
}
