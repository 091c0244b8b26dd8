#include "decode/ContainerFacts.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include "base/Text.h"

std::string FileUrl(const std::u16string& path)
{
    return "file:" + ToPath(path).native();
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
