#include "decode/PcmConverter.h"

namespace {
// The frame's channel layout; one of unknown order gets the usual layout for
// its channel count.
void InputLayout(const AVFrame& frame, AVChannelLayout* layout)
{
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&frame.ch_layout) == 0)
        av_channel_layout_default(layout, frame.ch_layout.nb_channels);
    else
        av_channel_layout_copy(layout, &frame.ch_layout);
}
}  // namespace

CPcmConverter::CPcmConverter(const WAVEFORMATEX& output) : m_output(output) {}

bool CPcmConverter::SameInput(const AVFrame& frame) const
{
    ffmpeg::ChannelLayout layout;
    InputLayout(frame, layout.get());
    return m_resampler && frame.format == m_nInputFormat && frame.sample_rate == m_nInputRate &&
           av_channel_layout_compare(layout.get(), m_inputLayout.get()) == 0;
}

bool CPcmConverter::Configure(const AVFrame& frame)
{
    m_resampler.reset();
    av_channel_layout_uninit(m_inputLayout.get());
    InputLayout(frame, m_inputLayout.get());
    if (m_inputLayout.get()->nb_channels <= 0 || frame.sample_rate <= 0)
        return false;

    ffmpeg::ChannelLayout outputLayout;
    av_channel_layout_default(outputLayout.get(), m_output.nChannels);
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, outputLayout.get(), AV_SAMPLE_FMT_S16, static_cast<int>(m_output.nSamplesPerSec),
                            m_inputLayout.get(), static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                            nullptr) < 0)
        return false;
    m_resampler.reset(raw);
    if (swr_init(m_resampler.get()) < 0) {
        m_resampler.reset();
        return false;
    }
    m_nInputFormat = frame.format;
    m_nInputRate = frame.sample_rate;
    return true;
}

bool CPcmConverter::Convert(const AVFrame& frame, std::vector<uint8_t>& out)
{
    if (frame.nb_samples <= 0)
        return true;
    if (!SameInput(frame)) {
        // The input changed within the stream: hand out what the old set-up
        // holds, then follow the new input.
        if (m_resampler && !Flush(out))
            return false;
        if (!Configure(frame))
            return false;
    }
    // The resampler only reads the planes; its interface predates const.
    return Resample(const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples, out);
}

bool CPcmConverter::Flush(std::vector<uint8_t>& out)
{
    if (!m_resampler)
        return true;
    return Resample(nullptr, 0, out);
}

bool CPcmConverter::Resample(const uint8_t** input, int count, std::vector<uint8_t>& out)
{
    const size_t bytesPerFrame = m_output.nBlockAlign;
    for (;;) {
        const int room = swr_get_out_samples(m_resampler.get(), count);
        if (room < 0)
            return false;
        if (room == 0)
            return true;
        const size_t start = out.size();
        out.resize(start + static_cast<size_t>(room) * bytesPerFrame);
        uint8_t* target = out.data() + start;
        const int produced = swr_convert(m_resampler.get(), &target, room, input, count);
        if (produced < 0) {
            out.resize(start);
            return false;
        }
        out.resize(start + static_cast<size_t>(produced) * bytesPerFrame);
        // Input is taken in one call; draining repeats until nothing is left.
        if (input || produced == 0)
            return true;
    }
}
