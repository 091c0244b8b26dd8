#include "decode/AudioProbe.h"

#include "base/EngineState.h"
#include "decode/ContainerFacts.h"
#include "decode/AudioSource.h"

namespace {
int AbortRequested(void*)
{
    return g_bAbort.load() != 0 ? 1 : 0;
}
}  // namespace

std::optional<sAudioProbe> ProbeAudio(const std::u16string& path)
{
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context)
        return std::nullopt;
    context->interrupt_callback.callback = &AbortRequested;
    CAudioSource source;
    if (FAILED(source.Open(std::move(context), FileUrl(path))) || FAILED(source.OpenDecoder()))
        return std::nullopt;
    return sAudioProbe{source.SampleRate(), source.Duration(), source.ReachesSamplesDirectly()};
}
