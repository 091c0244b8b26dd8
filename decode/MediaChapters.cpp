#include "decode/MediaChapters.h"

#include <algorithm>
#include <optional>
#include <set>

#include "base/Text.h"
#include "decode/ContainerFacts.h"
#include "decode/Id3Chapters.h"
#include "ffmpeg/Handles.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

constexpr AVRational k100ns = {1, 10000000};

// A chapter as the container states it.
struct sStatedChapter {
    sChapterMark mark;
    std::optional<int64_t> end;  // 100 ns; none when not stated
};

// The playing time of the file's audio: the first audio stream's, which is
// the one decoded, else the container's (which also counts a chapter track
// that may run past the audio).
int64_t AudioDuration(const AVFormatContext& format)
{
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            return StatedDuration(format, *format.streams[i]);
    }
    return 0;
}

// One rule for every container: a chapter that ends where it starts is left
// out, and of chapters that start together the last one written is kept (in
// Ogg and FLAC chapter comments, which state no ends, the ones before it end
// where they start). FFmpeg makes up an end at the start for the last
// chapter of a file of unknown length and for one past the stated end; those
// are no zero-length chapters.
std::vector<sChapterMark> PlaceableOnce(std::vector<sStatedChapter> stated, int64_t duration)
{
    std::stable_sort(stated.begin(), stated.end(), [](const sStatedChapter& a, const sStatedChapter& b) {
        return a.mark.m_llStart < b.mark.m_llStart;
    });
    std::vector<sChapterMark> chapters;
    for (size_t i = 0; i < stated.size(); ++i) {
        const int64_t start = stated[i].mark.m_llStart;
        const bool inside = duration > 0 ? start < duration : i + 1 < stated.size();
        if (stated[i].end && *stated[i].end <= start && inside)
            continue;
        if (!chapters.empty() && chapters.back().m_llStart == start)
            chapters.pop_back();
        chapters.push_back(std::move(stated[i].mark));
    }
    return chapters;
}

}  // namespace

sFileChapters ReadMediaChapters(const std::u16string& path, std::u16string* embeddedSheet)
{
    if (embeddedSheet)
        embeddedSheet->clear();
    // No deadline of its own: the tag helper that runs it is stopped from
    // outside when a file takes too long, also while frames are decoded.
    ffmpeg::FormatContext context = OpenContainer(path);
    if (!context)
        return {};
    // Durations of most formats are only estimated here.
    avformat_find_stream_info(context.get(), nullptr);

    sFileChapters result;
    result.m_llDuration = AudioDuration(*context);
    if (embeddedSheet) {
        if (const AVDictionaryEntry* sheet = av_dict_get(context->metadata, "CUESHEET", nullptr, 0))
            *embeddedSheet = FromUtf8(sheet->value);
    }
    const std::set<std::string> untitled =
        context->nb_chapters > 0 ? UntitledId3Chapters(path) : std::set<std::string>();
    // Chapter times are on the timeline the decoder's output starts at: the
    // source's encoder delay is already skipped (the stream's start time,
    // which counts it for MP3, does not apply).
    std::vector<sStatedChapter> stated;
    for (unsigned i = 0; i < context->nb_chapters; ++i) {
        const AVChapter& chapter = *context->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(chapter.metadata, "title", nullptr, 0);
        sStatedChapter read;
        read.mark.m_llStart = std::max<int64_t>(0, av_rescale_q(chapter.start, chapter.time_base, k100ns));
        if (title && !untitled.contains(title->value))
            read.mark.m_strTitle = FromUtf8(title->value);
        if (chapter.end != AV_NOPTS_VALUE)
            read.end = av_rescale_q(chapter.end, chapter.time_base, k100ns);
        stated.push_back(std::move(read));
    }
    result.m_chapters = PlaceableOnce(std::move(stated), result.m_llDuration);
    return result;
}
