#include "decode/AudioProbe.h"

#include "decode/ContainerFacts.h"
#include "decode/AudioSource.h"

namespace {
int StopRequested(void* opaque)
{
    const auto* stop = static_cast<const std::atomic<bool>*>(opaque);
    return stop && stop->load() ? 1 : 0;
}

// The file opened as far as its decoder; false when it cannot be.
bool OpenSource(CAudioSource& source, const std::u16string& path, const std::atomic<bool>* stop)
{
    ffmpeg::FormatContext context(avformat_alloc_context());
    if (!context)
        return false;
    context->interrupt_callback.callback = &StopRequested;
    context->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(stop);
    return source.Open(std::move(context), FileUrl(path)) == eReadError::None &&
           source.OpenDecoder() == eReadError::None;
}
}  // namespace

std::optional<sAudioProbe> ProbeAudio(const std::u16string& path, const std::atomic<bool>& stop)
{
    CAudioSource source;
    if (!OpenSource(source, path, &stop))
        return std::nullopt;
    return sAudioProbe{source.SampleRate(), source.Duration(), source.ReachesSamplesDirectly()};
}

bool RateHoldsThroughout(const std::u16string& path, const std::atomic<bool>& stop)
{
    CAudioSource source;
    return OpenSource(source, path, &stop) && source.RateHoldsThroughout();
}
