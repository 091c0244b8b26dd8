#include "project/TagReader.h"

#include "project/MediaInfoLibrary.h"

namespace {

constexpr std::u16string_view AUDIO_SECTION = u"\nAudio";

// Position of the ":" on the first line whose label is exactly `label`: the
// text before the line's first ":" without the blanks that pad it. A label
// inside a longer one ("Album" in "Album/Performer") or inside a value (a
// folder named "Album" on the "Complete name" line) does not count.
size_t FindLabelColon(std::u16string_view report, std::u16string_view label)
{
    size_t lineStart = 0;
    while (lineStart < report.size()) {
        size_t lineEnd = report.find(u'\n', lineStart);
        if (lineEnd == std::u16string_view::npos)
            lineEnd = report.size();
        const std::u16string_view line = report.substr(lineStart, lineEnd - lineStart);
        const size_t colon = line.find(u':');
        if (colon != std::u16string_view::npos) {
            std::u16string_view name = line.substr(0, colon);
            while (!name.empty() && name.back() == u' ')
                name.remove_suffix(1);
            if (name == label)
                return lineStart + colon;
        }
        lineStart = lineEnd + 1;
    }
    return std::u16string_view::npos;
}

}  // namespace

std::u16string_view CutBeforeAudioSection(std::u16string_view report)
{
    size_t end = report.find(AUDIO_SECTION);
    if (end == std::u16string_view::npos)
        return report;
    // Keep the line feed that ends the blank line's predecessor, drop the
    // carriage return that a CR LF report puts before the heading's line feed.
    if (end > 0 && report[end - 1] == u'\r')
        --end;
    return report.substr(0, end);
}

bool ExtractField(std::u16string_view report, std::u16string_view label, std::u16string& value)
{
    const size_t colon = FindLabelColon(report, label);
    if (colon == std::u16string_view::npos)
        return false;
    // The line ends at a line feed, or at the carriage return before it, or
    // at the end of the text.
    size_t lineEnd = report.find(u'\n', colon);
    if (lineEnd == std::u16string_view::npos)
        lineEnd = report.size();
    if (lineEnd > colon && report[lineEnd - 1] == u'\r')
        --lineEnd;
    // The value starts after the ":" and the blank the report puts after it.
    const size_t start = colon + 2;
    value = start < lineEnd ? std::u16string(report.substr(start, lineEnd - start)) : std::u16string();
    return true;
}

sTagInfo ParseTagReport(std::u16string_view report)
{
    const std::u16string_view general = CutBeforeAudioSection(report);
    sTagInfo tags;
    ExtractField(general, u"Track name", tags.m_strTrackName);
    // A detail takes the first of its labels that the report fills.
    for (const sDetailRow& row : DETAIL_ROWS) {
        std::u16string& value = tags.m_details[row.m_detail];
        for (std::u16string_view label : row.m_tagLabels) {
            if (!label.empty() && ExtractField(general, label, value) && !value.empty())
                break;
        }
    }
    return tags;
}

std::vector<sFileFacts> ReadFilesBatch(const std::vector<std::u16string>& paths, const sTagReadLimits& limits)
{
    std::vector<tagprotocol::sAnswer> answers = ReadAnswersInHelper(paths, limits);
    std::vector<sFileFacts> files;
    files.reserve(answers.size());
    for (tagprotocol::sAnswer& answer : answers)
        files.push_back({ParseTagReport(answer.m_strReport), std::move(answer.m_chapters)});
    return files;
}

std::vector<sTagInfo> ReadTagsBatch(const std::vector<std::u16string>& paths, const sTagReadLimits& limits)
{
    std::vector<sTagInfo> tags;
    for (sFileFacts& file : ReadFilesBatch(paths, limits))
        tags.push_back(std::move(file.m_tags));
    return tags;
}

sTagInfo ReadTags(const std::u16string& path)
{
    return ReadTagsBatch({path}).front();
}

sTagInfo ReadTags(const std::u16string& path, CMediaInfoLibrary& library)
{
    return ParseTagReport(library.Report(path));
}

TagReader TagReader::FromBatch(TagBatchFunction readBatch)
{
    return FromFileBatch([readBatch = std::move(readBatch)](const std::vector<std::u16string>& paths) {
        std::vector<sFileFacts> files;
        for (sTagInfo& tags : readBatch(paths))
            files.push_back({std::move(tags), {}});
        return files;
    });
}

TagReader TagReader::FromFileBatch(FileBatchFunction readBatch)
{
    TagReader reader;
    reader.m_readBatch = std::move(readBatch);
    return reader;
}

std::vector<sFileFacts> TagReader::ReadFiles(const std::vector<std::u16string>& paths) const
{
    if (paths.empty())
        return {};
    std::vector<sFileFacts> files = m_readBatch(paths);
    files.resize(paths.size());
    return files;
}

std::vector<sTagInfo> TagReader::ReadBatch(const std::vector<std::u16string>& paths) const
{
    std::vector<sTagInfo> tags;
    for (sFileFacts& file : ReadFiles(paths))
        tags.push_back(std::move(file.m_tags));
    return tags;
}

sTagInfo TagReader::operator()(const std::u16string& path) const
{
    return ReadBatch({path}).front();
}

TagReader MediaInfoTagReader()
{
    return TagReader::FromFileBatch([](const std::vector<std::u16string>& paths) { return ReadFilesBatch(paths); });
}
