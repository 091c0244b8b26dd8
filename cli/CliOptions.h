#pragma once
// The command line of tavlin-cli.
#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/BookDetails.h"
#include "engine/ChapterSplit.h"

struct sCliOptions {
    std::vector<std::string> m_paths;  // files and folders, as a drop brings them
    std::optional<std::string> m_output;
    int m_nChapterMode = 1;  // 1: track-name tag, 0: file name
    std::optional<std::string> m_chaptersFile;  // a .cue sheet or chapter list for a one-file book
    // Titles given to chapters by their number in the book (1 for the
    // first), in the order given; a later one for the same number wins.
    std::vector<std::pair<int, std::string>> m_chapterTitles;
    // The encoding of sheets that are not Unicode (a name iconv knows),
    // instead of Tavlin.ini's.
    std::optional<std::string> m_sheetEncoding;
    // Each set detail replaces the prefilled one, also with an empty text;
    // one per row of the detail table, set by "--" and the row's key.
    std::array<std::optional<std::string>, DETAIL_COUNT> m_details;
    // "--description-file FILE": the description is that file's text, read
    // while parsing (its line breaks kept).
    std::optional<std::string> m_descriptionFile;
    std::optional<std::string> m_cover;
    bool m_bNoCover = false;
    sChapterSplit m_split;  // long chapters cut into parts (--split-chapters)
    std::optional<unsigned long> m_bitrate;  // bit/s per channel
    bool m_bReencode = false;  // encode even AAC-LC files whose frames could be copied
    // Every book folder under the paths becomes a book of its own; -o names
    // the folder the books go to.
    bool m_bEach = false;
    bool m_bForce = false;  // with m_bEach: books whose file exists are made again
    bool m_bDryRun = false;
    bool m_bQuiet = false;
    // The settings file (Tavlin.ini beside the program, set by main, not by
    // an option): its bitrate applies when --bitrate is not given.
    std::filesystem::path m_settingsFile;
};

enum class eCliAction { Convert, Help, Version, UsageError };

struct sCliParse {
    eCliAction m_action = eCliAction::Convert;
    sCliOptions m_options;
    std::string m_strError;  // for UsageError: what was wrong
};

sCliParse ParseCommandLine(const std::vector<std::string>& arguments);

// The short usage printed with a usage error, and the full help.
std::string UsageText();
std::string HelpText();
