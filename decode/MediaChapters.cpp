#include "decode/MediaChapters.h"
#include "decode/ContainerFacts.h"

#include <algorithm>

#include "ffmpeg/Handles.h"
#include "base/Text.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

constexpr AVRational k100ns = {1, 10000000};

int64_t Duration(const AVFormatContext& format)
{
    return format.duration != AV_NOPTS_VALUE && format.duration > 0
               ? av_rescale_q(format.duration, AV_TIME_BASE_Q, k100ns)
               : 0;
}

}  // namespace

sFileChapters ReadMediaChapters(const std::u16string& path, std::u16string* embeddedSheet)
{
    if (embeddedSheet)
        embeddedSheet->clear();
    // No deadline of its own: the tag helper that runs it is stopped from
    // outside when a file takes too long, also while frames are decoded.
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context)
        return {};
    AVFormatContext* raw = context.release();
    if (avformat_open_input(&raw, FileUrl(path).c_str(), nullptr, nullptr) < 0)
        return {};
    context.reset(raw);
    // Durations of most formats are only estimated here.
    avformat_find_stream_info(context.get(), nullptr);

    sFileChapters result;
    result.m_llDuration = Duration(*context);
    if (embeddedSheet) {
        if (const AVDictionaryEntry* sheet = av_dict_get(context->metadata, "CUESHEET", nullptr, 0))
            *embeddedSheet = FromUtf8(sheet->value);
    }
    // Chapter times are on the timeline the decoder's output starts at: the
    // source's encoder delay is already skipped (the stream's start time,
    // which counts it for MP3, does not apply).
    for (unsigned i = 0; i < context->nb_chapters; ++i) {
        const AVChapter& chapter = *context->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(chapter.metadata, "title", nullptr, 0);
        result.m_chapters.push_back({std::max<int64_t>(0, av_rescale_q(chapter.start, chapter.time_base, k100ns)),
                                     title ? FromUtf8(title->value) : std::u16string()});
    }
    auto& chapters = result.m_chapters;
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const sChapterMark& a, const sChapterMark& b) { return a.m_llStart < b.m_llStart; });
    chapters.erase(std::unique(chapters.begin(), chapters.end(),
                               [](const sChapterMark& a, const sChapterMark& b) {
                                   return a.m_llStart == b.m_llStart;
                               }),
                   chapters.end());
    if (result.m_llDuration > 0) {
        std::erase_if(chapters, [&](const sChapterMark& c) { return c.m_llStart >= result.m_llDuration; });
    }
    return result;
}
