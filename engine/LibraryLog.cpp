#include "engine/LibraryLog.h"

#include <cstdlib>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

void QuietLibraryLogs()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(std::getenv("TAVLIN_DEBUG") ? AV_LOG_WARNING : AV_LOG_QUIET); });
}
