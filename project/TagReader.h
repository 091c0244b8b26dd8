#pragma once
// Reads the tags of an audio file from the MediaInfo library's text report:
// the report is cut before its audio section and seven values are picked out
// of the rest by their labels.
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/BookTypes.h"
#include "project/TagHelper.h"

class CMediaInfoLibrary;

// What reading a file gives the book: its tags, its length and its chapters.
struct sFileFacts {
    sTagInfo m_tags;
    sFileChapters m_chapters;
};

// Reads the tags (from MediaInfo reports), the length and the chapters of
// each path, in order, in the tavlin-tags helper process. Never fails:
// whatever cannot be read stays empty (every tag when the library cannot be
// loaded, and everything for a file whose read had to be stopped).
std::vector<sFileFacts> ReadFilesBatch(const std::vector<std::u16string>& paths, const sTagReadLimits& limits = {});
// The tags of ReadFilesBatch.
std::vector<sTagInfo> ReadTagsBatch(const std::vector<std::u16string>& paths, const sTagReadLimits& limits = {});
// The tags of one file, through ReadTagsBatch.
sTagInfo ReadTags(const std::u16string& path);
// The same in this process through a given library (tests choose the
// library's file name).
sTagInfo ReadTags(const std::u16string& path, CMediaInfoLibrary& library);

// Reads the tags of many files at once: one record per path, in order.
using TagBatchFunction = std::function<std::vector<sTagInfo>(const std::vector<std::u16string>& paths)>;
// The same with the files' lengths and chapters.
using FileBatchFunction = std::function<std::vector<sFileFacts>(const std::vector<std::u16string>& paths)>;

// Anything that reads tags, and perhaps lengths and chapters with them; the
// rows take one so that tests can supply tags without a library. Made from a
// function of one path (a batch then asks it path by path) or from a batch
// function; one that reads only tags gives no length and no chapters.
class TagReader {
public:
    TagReader() = default;
    template <typename ReadOne>
        requires(!std::is_same_v<std::remove_cvref_t<ReadOne>, TagReader> &&
                 std::is_invocable_r_v<sTagInfo, const ReadOne&, const std::u16string&>)
    TagReader(ReadOne readOne)
        : m_readBatch([readOne = std::move(readOne)](const std::vector<std::u16string>& paths) {
              std::vector<sFileFacts> files;
              files.reserve(paths.size());
              for (const std::u16string& path : paths)
                  files.push_back({readOne(path), {}});
              return files;
          })
    {
    }
    static TagReader FromBatch(TagBatchFunction readBatch);
    static TagReader FromFileBatch(FileBatchFunction readBatch);

    // One record per path, in order, whatever the function gave.
    std::vector<sFileFacts> ReadFiles(const std::vector<std::u16string>& paths) const;
    std::vector<sTagInfo> ReadBatch(const std::vector<std::u16string>& paths) const;
    sTagInfo operator()(const std::u16string& path) const;
    explicit operator bool() const { return static_cast<bool>(m_readBatch); }

private:
    FileBatchFunction m_readBatch;
};

// ReadFilesBatch as a TagReader: tags, lengths and chapters from one helper
// run a batch.
TagReader MediaInfoTagReader();

// The report up to its audio section: everything before the first line feed
// followed by "Audio", without the line end in front of it. The whole report
// when there is no audio section.
std::u16string_view CutBeforeAudioSection(std::u16string_view report);

// Finds the first line whose label (the text before its first ":", without
// the padding blanks) is exactly `label`, case-sensitive. The value starts two
// units after the ":" and ends before the line end (a line feed, or a carriage
// return in front of it). False, with `value` untouched, when no line has it.
bool ExtractField(std::u16string_view report, std::u16string_view label, std::u16string& value);

// The seven members out of a whole report, in the reading order Album, Track
// name, Performer, Genre, Recorded date, Comment, Publisher.
sTagInfo ParseTagReport(std::u16string_view report);
