#include "decode/ContainerFacts.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include "base/Text.h"

namespace {
// An iTunSMPB tag: " 00000000 PPPPPPPP RRRRRRRR SSSSSSSSSSSSSSSS ...", the
// priming, the padding after the audio and the audio's samples, in hex.
struct sGaplessTag {
    int64_t priming = 0;
    int64_t padding = 0;
    int64_t samples = 0;
};

std::optional<sGaplessTag> ReadGaplessTag(const AVFormatContext& format)
{
    const AVDictionaryEntry* entry = av_dict_get(format.metadata, "iTunSMPB", nullptr, 0);
    unsigned priming = 0;
    unsigned padding = 0;
    unsigned long long samples = 0;
    if (!entry || std::sscanf(entry->value, "%*x %x %x %llx", &priming, &padding, &samples) != 3)
        return std::nullopt;
    return sGaplessTag{priming, padding, static_cast<int64_t>(std::min<unsigned long long>(samples, INT64_MAX / 2))};
}
}  // namespace

std::string FileUrl(const std::u16string& path)
{
    return "file:" + ToPath(path).native();
}

ffmpeg::FormatContext OpenContainer(const std::u16string& path)
{
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context)
        return {};
    // avformat_open_input frees the context itself when it fails.
    AVFormatContext* raw = context.release();
    if (avformat_open_input(&raw, FileUrl(path).c_str(), nullptr, nullptr) < 0)
        return {};
    context.reset(raw);
    return context;
}

int64_t StatedDuration(const AVFormatContext& format, const AVStream& stream)
{
    constexpr AVRational k100ns = {1, 10000000};
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
        return av_rescale_q(stream.duration, stream.time_base, k100ns);
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0)
        return av_rescale_q(format.duration, AV_TIME_BASE_Q, k100ns);
    return 0;
}

std::optional<int64_t> ExactStreamLength(const AVFormatContext& format, const AVStream& stream)
{
    if (std::string_view(format.iformat->name).find("mp4") == std::string_view::npos ||
        stream.duration == AV_NOPTS_VALUE || stream.duration <= 0)
        return std::nullopt;
    const std::optional<sGaplessTag> tag = ReadGaplessTag(format);
    const int rate = stream.codecpar->sample_rate;
    if (!tag || rate <= 0)
        return stream.duration;  // an edit list's length, or the sample table's
    // FFmpeg's demuxer skips the tag's priming as the stream's first samples
    // only where there is no edit list; an edit list replaces it. Without one
    // the sample table's length counts the priming and the padding too.
    const AVRational perSample = {1, rate};
    const int64_t start =
        stream.start_time != AV_NOPTS_VALUE ? av_rescale_q(stream.start_time, stream.time_base, perSample) : 0;
    if (start != tag->priming)
        return stream.duration;
    int64_t length = av_rescale_q(stream.duration, stream.time_base, perSample) - tag->priming;
    if (tag->samples > 0)
        length = std::min(length, tag->samples);
    const int64_t framed = stream.nb_frames * stream.codecpar->frame_size;
    if (framed > tag->priming + tag->padding)
        length = std::min(length, framed - tag->priming - tag->padding);
    return length > 0 ? av_rescale_q(length, perSample, stream.time_base) : stream.duration;
}
