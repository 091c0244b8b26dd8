#include "decode/AudioProbe.h"

#include "base/EngineState.h"
#include "decode/ContainerFacts.h"
#include "decode/AudioSource.h"

namespace {
int AbortRequested(void*)
{
    return g_bAbort.load() != 0 ? 1 : 0;
}

// The file opened as far as its decoder; false when it cannot be.
bool OpenSource(CAudioSource& source, const std::u16string& path)
{
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context)
        return false;
    context->interrupt_callback.callback = &AbortRequested;
    return source.Open(std::move(context), FileUrl(path)) == eReadError::None &&
           source.OpenDecoder() == eReadError::None;
}
}  // namespace

std::optional<sAudioProbe> ProbeAudio(const std::u16string& path)
{
    CAudioSource source;
    if (!OpenSource(source, path))
        return std::nullopt;
    return sAudioProbe{source.SampleRate(), source.Duration(), source.ReachesSamplesDirectly()};
}

bool RateHoldsThroughout(const std::u16string& path)
{
    CAudioSource source;
    return OpenSource(source, path) && source.RateHoldsThroughout();
}
