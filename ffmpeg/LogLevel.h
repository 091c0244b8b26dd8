#pragma once
// FFmpeg's own log lines (probing guesses, encoder statistics, complaints
// about odd files) are noise for a user who gets Tavlin's own messages: each
// program quiets them once as it starts, and TAVLIN_DEBUG shows the warnings.
#include <cstdlib>

extern "C" {
#include <libavutil/log.h>
}

namespace ffmpeg {

inline void SetProgramLogLevel()
{
    av_log_set_level(std::getenv("TAVLIN_DEBUG") ? AV_LOG_WARNING : AV_LOG_QUIET);
}

}  // namespace ffmpeg
