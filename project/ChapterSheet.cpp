#include "project/ChapterSheet.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "project/PathText.h"
#include "base/Text.h"

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int kCueFramesPerSecond = 75;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The next blank-separated word of `text`, taken off its front.
std::u16string_view TakeWord(std::u16string_view& text)
{
    text = Trim(text);
    size_t end = 0;
    while (end < text.size() && !IsBlank(text[end]))
        ++end;
    const std::u16string_view word = text.substr(0, end);
    text = Trim(text.substr(end));
    return word;
}

// A whole number of `minimum` to `maximum` digits; nullopt otherwise.
std::optional<int64_t> Digits(std::u16string_view text, size_t minimum, size_t maximum)
{
    if (text.size() < minimum || text.size() > maximum)
        return std::nullopt;
    int64_t value = 0;
    for (char16_t c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// "mm:ss:ff": minutes, seconds below 60, frames below 75.
std::optional<int64_t> ParseCueTime(std::u16string_view text)
{
    const size_t first = text.find(u':');
    const size_t second = first == std::u16string_view::npos ? first : text.find(u':', first + 1);
    if (second == std::u16string_view::npos)
        return std::nullopt;
    const auto minutes = Digits(text.substr(0, first), 1, 6);
    const auto seconds = Digits(text.substr(first + 1, second - first - 1), 2, 2);
    const auto frames = Digits(text.substr(second + 1), 2, 2);
    if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= kCueFramesPerSecond)
        return std::nullopt;
    const int64_t totalFrames = (*minutes * 60 + *seconds) * kCueFramesPerSecond + *frames;
    return (totalFrames * kUnitsPerSecond + kCueFramesPerSecond / 2) / kCueFramesPerSecond;
}

// "[H:]MM:SS[.mmm]": seconds below 60 with 1 to 3 decimals, after minutes
// below 60 and hours, or after minutes alone (any number of them).
std::optional<int64_t> ParseListTime(std::u16string_view text)
{
    const size_t first = text.find(u':');
    if (first == std::u16string_view::npos)
        return std::nullopt;
    const size_t second = text.find(u':', first + 1);
    const bool withHours = second != std::u16string_view::npos;
    const size_t secondsAt = withHours ? second + 1 : first + 1;
    std::u16string_view secondsText = text.substr(secondsAt);
    std::u16string_view fraction;
    if (const size_t dot = secondsText.find(u'.'); dot != std::u16string_view::npos) {
        fraction = secondsText.substr(dot + 1);
        secondsText = secondsText.substr(0, dot);
        if (fraction.empty())
            return std::nullopt;
    }
    const auto hours = withHours ? Digits(text.substr(0, first), 1, 5) : std::optional<int64_t>(0);
    const auto minutes = withHours ? Digits(text.substr(first + 1, second - first - 1), 2, 2)
                                   : Digits(text.substr(0, first), 1, 5);
    const auto seconds = Digits(secondsText, 2, 2);
    const auto decimals = fraction.empty() ? std::optional<int64_t>(0) : Digits(fraction, 1, 3);
    if (!hours || !minutes || !seconds || !decimals || (withHours && *minutes >= 60) || *seconds >= 60)
        return std::nullopt;
    int64_t milliseconds = *decimals;
    for (size_t i = fraction.size(); i < 3; ++i)
        milliseconds *= 10;
    return ((*hours * 60 + *minutes) * 60 + *seconds) * kUnitsPerSecond + milliseconds * 10000;
}

// A quoted text up to its last quote, so that quotes inside it stay (editors
// write TITLE "The "Best" One"), or the whole rest of the line.
std::u16string Unquote(std::u16string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text.front() == u'"') {
        const size_t close = text.rfind(u'"');
        if (close != 0)
            return std::u16string(text.substr(1, close - 1));
    }
    return std::u16string(text);
}

// FILE "name" TYPE, or FILE name TYPE with the name unquoted.
std::u16string CueFileName(std::u16string_view rest)
{
    rest = Trim(rest);
    if (!rest.empty() && rest.front() == u'"')
        return Unquote(rest);
    const size_t lastBlank = rest.find_last_of(u" \t");
    return std::u16string(lastBlank == std::u16string_view::npos ? rest : Trim(rest.substr(0, lastBlank)));
}

std::u16string Quoted(std::u16string_view text) { return u"\"" + std::u16string(text) + u"\""; }

// Splits the text into lines (LF or CR LF) and hands each with its number.
template <typename OnLine>
void ForEachLine(std::u16string_view text, OnLine onLine)
{
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find(u'\n');
        ++number;
        if (!onLine(number, Trim(text.substr(0, end))))
            return;
        if (end == std::u16string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

// Appends a chapter to `file` unless it does not start after the one before;
// false (with the problem set) then.
bool AddChapter(sChapterSheet& sheet, sSheetFile& file, sSheetChapter chapter, std::u16string_view shown)
{
    if (!file.m_chapters.empty() && chapter.m_llStart <= file.m_chapters.back().m_llStart) {
        const sSheetChapter& before = file.m_chapters.back();
        sheet.m_strProblem = SheetProblem(shown, chapter.m_nLine,
                                          u"chapters out of order: " + FormatChapterTime(chapter.m_llStart) +
                                              u" is not after " + FormatChapterTime(before.m_llStart) +
                                              u" (line " + FromUtf8(std::to_string(before.m_nLine)) + u")");
        return false;
    }
    file.m_chapters.push_back(std::move(chapter));
    return true;
}

}  // namespace

std::u16string SheetProblem(std::u16string_view shown, int line, std::u16string_view what)
{
    std::u16string text(shown);
    if (line > 0)
        text += u", line " + FromUtf8(std::to_string(line));
    return text + u": " + std::u16string(what);
}

sChapterSheet ParseCueSheet(std::u16string_view text, std::u16string_view shown)
{
    sChapterSheet sheet;
    struct sTrack {
        int m_nLine = 0;
        std::u16string m_strNumber;
        std::u16string m_strTitle;
        bool m_bStarted = false;  // its INDEX 01 made the last chapter of the last file
    };
    std::optional<sTrack> track;
    std::vector<sSheetFile> files;
    // A track without INDEX 01 has no start.
    auto endTrack = [&]() {
        if (track && !track->m_bStarted)
            sheet.m_strProblem =
                SheetProblem(shown, track->m_nLine, u"TRACK " + track->m_strNumber + u" has no INDEX 01");
        track.reset();
        return sheet.m_strProblem.empty();
    };
    ForEachLine(text, [&](int number, std::u16string_view line) {
        std::u16string_view rest = line;
        const std::u16string keyword = ToLowerCase(TakeWord(rest));
        if (keyword == u"file") {
            std::u16string name = CueFileName(rest);
            if (name.empty()) {
                sheet.m_strProblem = SheetProblem(shown, number, u"FILE names no file");
                return false;
            }
            // A track may open in one file and start (its INDEX 01) in the next.
            if (track && track->m_bStarted)
                track.reset();
            files.push_back({std::move(name), number, {}});
        } else if (keyword == u"track") {
            if (!endTrack())
                return false;
            if (files.empty()) {
                sheet.m_strProblem = SheetProblem(shown, number, u"TRACK comes before any FILE line");
                return false;
            }
            track = sTrack{number, std::u16string(TakeWord(rest)), {}, false};
        } else if (keyword == u"index") {
            const auto index = Digits(TakeWord(rest), 1, 2);
            const auto time = ParseCueTime(TakeWord(rest));
            if (!index || !time || !rest.empty()) {
                sheet.m_strProblem =
                    SheetProblem(shown, number, Quoted(line) + u" is not INDEX nn mm:ss:ff (75 frames a second)");
                return false;
            }
            if (!track) {
                sheet.m_strProblem = SheetProblem(shown, number, u"INDEX outside a TRACK");
                return false;
            }
            if (*index != 1 || track->m_bStarted)
                return true;  // pre-gaps and sub-indices are not chapters
            if (!AddChapter(sheet, files.back(), {*time, track->m_strTitle, number}, shown))
                return false;
            track->m_bStarted = true;
        } else if (keyword == u"title" || keyword == u"performer") {
            std::u16string value = Unquote(rest);
            if (track && keyword == u"title") {
                track->m_strTitle = value;
                if (track->m_bStarted)
                    files.back().m_chapters.back().m_strTitle = std::move(value);
            } else if (!track) {
                (keyword == u"title" ? sheet.m_strTitle : sheet.m_strPerformer) = std::move(value);
            }
        }
        // REM, CATALOG, FLAGS, ISRC, PREGAP and the rest say nothing of chapters.
        return true;
    });
    if (sheet.m_strProblem.empty())
        endTrack();
    if (!sheet.m_strProblem.empty() && !files.empty())
        sheet.m_strProblemFile = files.back().m_strName;
    for (sSheetFile& file : files) {
        if (!file.m_chapters.empty())
            sheet.m_files.push_back(std::move(file));
    }
    if (sheet.m_strProblem.empty() && sheet.m_files.empty())
        sheet.m_strProblem = SheetProblem(shown, 0, u"no TRACK with an INDEX 01");
    return sheet;
}

sChapterSheet ParseChapterList(std::u16string_view text, std::u16string_view shown)
{
    sChapterSheet sheet;
    sSheetFile file;
    ForEachLine(text, [&](int number, std::u16string_view line) {
        if (line.empty())
            return true;
        std::u16string_view rest = line;
        const auto time = ParseListTime(TakeWord(rest));
        if (!time) {
            sheet.m_strProblem = SheetProblem(shown, number, Quoted(line) + u" is not [H:]MM:SS[.mmm] Title");
            return false;
        }
        return AddChapter(sheet, file, {*time, std::u16string(rest), number}, shown);
    });
    if (sheet.m_strProblem.empty() && file.m_chapters.empty())
        sheet.m_strProblem = SheetProblem(shown, 0, u"no chapters");
    sheet.m_files.push_back(std::move(file));
    return sheet;
}

std::u16string CheckChapterStarts(const sSheetFile& file, int64_t duration, std::u16string_view shown,
                                  std::u16string_view audioName)
{
    if (duration <= 0)
        return {};
    for (const sSheetChapter& chapter : file.m_chapters) {
        if (chapter.m_llStart >= duration)
            return SheetProblem(shown, chapter.m_nLine,
                                FormatChapterTime(chapter.m_llStart) +
                                    (chapter.m_llStart == duration ? u" is at the end of " : u" is past the end of ") +
                                    Quoted(audioName) + u" (" + FormatChapterTime(duration) + u")");
    }
    return {};
}

std::vector<sChapterMark> ToChapterMarks(const sSheetFile& file)
{
    std::vector<sChapterMark> marks;
    for (const sSheetChapter& chapter : file.m_chapters)
        marks.push_back({chapter.m_llStart, chapter.m_strTitle});
    return marks;
}

bool TakeEmbeddedSheet(std::u16string_view text, sFileChapters& chapters)
{
    const sChapterSheet sheet = ParseCueSheet(text, u"CUESHEET");
    // The sheet is this file's: its FILE line's name does not matter, but
    // one that speaks of several files is not this file's alone.
    if (!sheet.m_strProblem.empty() || sheet.m_files.size() != 1)
        return false;
    std::vector<sChapterMark> marks = ToChapterMarks(sheet.m_files.front());
    if (chapters.m_llDuration > 0)
        std::erase_if(marks, [&](const sChapterMark& mark) { return mark.m_llStart >= chapters.m_llDuration; });
    chapters.m_chapters = std::move(marks);
    return true;
}
