#include "decode/AudioProbe.h"

#include "base/EngineState.h"
#include "base/Text.h"
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
    // As the decoding graph opens it: a name that looks like a protocol stays a file name.
    if (FAILED(source.Open(std::move(context), "file:" + ToPath(path).native())) || FAILED(source.OpenDecoder()))
        return std::nullopt;
    return sAudioProbe{source.SampleRate(), source.Duration(), source.ReachesSamplesDirectly()};
}
