#include "cli/CliOptions.h"

#include <cctype>

#include "aac/AacEncoder.h"
#include "project/SheetText.h"
#include "project/SplitChoice.h"

namespace {

// The text option that `name` sets, or null.
std::optional<std::string>* TextOption(sCliOptions& options, const std::string& name)
{
    if (name == "--artist")
        return &options.m_artist;
    if (name == "--writer")
        return &options.m_writer;
    if (name == "--album")
        return &options.m_album;
    if (name == "--year")
        return &options.m_year;
    if (name == "--genre")
        return &options.m_genre;
    if (name == "--comment")
        return &options.m_comment;
    if (name == "--cover")
        return &options.m_cover;
    if (name == "--chapters-file")
        return &options.m_chaptersFile;
    if (name == "--sheet-encoding")
        return &options.m_sheetEncoding;
    if (name == "-o" || name == "--output")
        return &options.m_output;
    return nullptr;
}

bool TakesValue(const std::string& name)
{
    sCliOptions probe;
    return TextOption(probe, name) || name == "--chapters" || name == "--bitrate" || name == "--split-chapters";
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
    if (options.m_cover && options.m_bNoCover)
        return UsageError("--cover and --no-cover exclude each other");
    // The book's file is written out of order (its index goes in last), so
    // it cannot go to standard output; a file named "-" is written as ./-.
    if (options.m_output && *options.m_output == "-")
        return UsageError("-o - would write the book to standard output, which cannot be done; "
                          "give a file name (./- for a file named \"-\")");
    if (options.m_paths.empty())
        return UsageError("no files or folders given");
    return result;
}

std::string UsageText()
{
    return "usage: tavlin-cli [options] PATH...\n"
           "Try 'tavlin-cli --help' for the options.\n";
}

std::string HelpText()
{
    return "usage: tavlin-cli [options] PATH...\n"
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
           "      --split-chapters LENGTH[,silence|,exact]\n"
           "                          cut every chapter longer than 1.5 x LENGTH (20m, 90s, 1h30m)\n"
           "                          into parts of about LENGTH, each cut in the longest pause\n"
           "                          near its place (silence, the default) or exactly there\n"
           "      --sheet-encoding NAME\n"
           "                          the encoding of sheets that are neither UTF-8 nor UTF-16\n"
           "                          with a byte-order mark, such as CP1251 (default: Tavlin.ini's\n"
           "                          sheet_encoding, else Windows-1252)\n"
           "      --artist TEXT       replace a detail read from the first file's tags;\n"
           "      --writer TEXT         an empty TEXT clears it\n"
           "      --album TEXT\n"
           "      --year TEXT\n"
           "      --genre TEXT\n"
           "      --comment TEXT\n"
           "      --cover FILE        the cover picture (instead of the one found)\n"
           "      --no-cover          no cover picture\n"
           "      --bitrate N         AAC bit rate in bit/s per channel, " + BitrateRange() + "\n"
           "                          (instead of Tavlin.ini)\n"
           "      --reencode          encode the book even when every file is AAC-LC alike\n"
           "                          (M4A, M4B, .aac); without it, and without a bit rate here\n"
           "                          or in Tavlin.ini, such files' frames are copied as they are\n"
           "      --dry-run           show chapters, details and cover; convert nothing\n"
           "  -q, --quiet             no progress display\n"
           "  -h, --help              this help\n"
           "      --version           the version\n"
           "\n"
           "Ctrl+C stops the conversion and closes the partial book (beside the book it was to\n"
           "replace, as \"NAME (partial).m4b\"); a second Ctrl+C ends at once.\n"
           "A termination request (SIGTERM) stops it the same way.\n"
           "Exit status: 0 done, 1 conversion error (or standard output could not be written),\n"
           "2 usage error, 130 interrupted by Ctrl+C, 143 stopped by SIGTERM.\n";
}
