#include "decode/PcmConverter.h"

#include <algorithm>

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

// Scaled as the resampler scales them: full scale is [-1, 1).
float ToFloat(uint8_t v) { return static_cast<float>(int{v} - 0x80) * (1.0f / 0x80); }
float ToFloat(int16_t v) { return static_cast<float>(v) * (1.0f / (1 << 15)); }
float ToFloat(int32_t v) { return static_cast<float>(static_cast<double>(v) * (1.0 / 2147483648.0)); }
float ToFloat(int64_t v) { return static_cast<float>(static_cast<double>(v) * (1.0 / 9223372036854775808.0)); }
float ToFloat(float v) { return v; }
float ToFloat(double v) { return static_cast<float>(v); }

template <typename Sample>
void ToPlanes(const AVFrame& frame, bool planar, float* const* planes)
{
    const int channels = frame.ch_layout.nb_channels;
    const int step = planar ? 1 : channels;
    for (int c = 0; c < channels; ++c) {
        const auto* in = reinterpret_cast<const Sample*>(frame.extended_data[planar ? c : 0]) + (planar ? 0 : c);
        float* out = planes[c];
        for (int i = 0; i < frame.nb_samples; ++i)
            out[i] = ToFloat(in[i * step]);
    }
}

bool ConvertsSamplewise(AVSampleFormat format)
{
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S64:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        return true;
    default:
        return false;
    }
}

// False for a sample format not converted here.
bool ToPlanes(const AVFrame& frame, float* const* planes)
{
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: ToPlanes<uint8_t>(frame, planar, planes); return true;
    case AV_SAMPLE_FMT_S16: ToPlanes<int16_t>(frame, planar, planes); return true;
    case AV_SAMPLE_FMT_S32: ToPlanes<int32_t>(frame, planar, planes); return true;
    case AV_SAMPLE_FMT_S64: ToPlanes<int64_t>(frame, planar, planes); return true;
    case AV_SAMPLE_FMT_FLT: ToPlanes<float>(frame, planar, planes); return true;
    case AV_SAMPLE_FMT_DBL: ToPlanes<double>(frame, planar, planes); return true;
    default: return false;
    }
}
}  // namespace

CPcmConverter::CPcmConverter(const sPcmFormat& output)
    : m_output(output), m_buffers(static_cast<size_t>(std::max(output.channels, 0))), m_planes(m_buffers.size())
{
    av_channel_layout_default(m_outputLayout.get(), output.channels);
}

bool CPcmConverter::Accepts(const AVFrame& frame) const
{
    if (m_path == Path::None)
        return false;
    ffmpeg::ChannelLayout layout;
    InputLayout(frame, layout.get());
    return frame.format == m_nInputFormat && frame.sample_rate == m_nInputRate &&
           av_channel_layout_compare(layout.get(), m_inputLayout.get()) == 0;
}

bool CPcmConverter::SetUp(const AVFrame& frame)
{
    m_path = Path::None;
    m_resampler.reset();
    av_channel_layout_uninit(m_inputLayout.get());
    InputLayout(frame, m_inputLayout.get());
    if (m_inputLayout.get()->nb_channels <= 0 || frame.sample_rate <= 0 || m_output.channels <= 0)
        return false;
    m_nInputFormat = frame.format;
    m_nInputRate = frame.sample_rate;
    const auto format = static_cast<AVSampleFormat>(frame.format);
    if (frame.sample_rate == static_cast<int>(m_output.rate) &&
        av_channel_layout_compare(m_inputLayout.get(), m_outputLayout.get()) == 0) {
        if (format == AV_SAMPLE_FMT_FLTP) {
            m_path = Path::Direct;
            return true;
        }
        if (ConvertsSamplewise(format)) {
            m_path = Path::Samplewise;
            return true;
        }
    }
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, m_outputLayout.get(), AV_SAMPLE_FMT_FLTP, static_cast<int>(m_output.rate),
                            m_inputLayout.get(), format, frame.sample_rate, 0, nullptr) < 0)
        return false;
    m_resampler.reset(raw);
    if (swr_init(m_resampler.get()) < 0) {
        m_resampler.reset();
        return false;
    }
    m_path = Path::Resample;
    return true;
}

bool CPcmConverter::Convert(const AVFrame& frame, sPcmSpan& out)
{
    out = {};
    switch (m_path) {
    case Path::Direct:
        out.planes = reinterpret_cast<const float* const*>(frame.extended_data);
        out.samples = frame.nb_samples;
        return true;
    case Path::Samplewise:
        if (!ToPlanes(frame, Planes(frame.nb_samples)))
            return false;
        out.planes = m_planes.data();
        out.samples = frame.nb_samples;
        return true;
    case Path::Resample:
        // The resampler only reads the planes; its interface predates const.
        return Resample(const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples, out);
    case Path::None:
        break;
    }
    return false;
}

bool CPcmConverter::Drain(sPcmSpan& out)
{
    out = {};
    return m_path != Path::Resample || Resample(nullptr, 0, out);
}

float* const* CPcmConverter::Planes(int samples)
{
    for (size_t c = 0; c < m_buffers.size(); ++c) {
        if (m_buffers[c].size() < static_cast<size_t>(samples))
            m_buffers[c].resize(static_cast<size_t>(samples));
        m_planes[c] = m_buffers[c].data();
    }
    return m_planes.data();
}

bool CPcmConverter::Resample(const uint8_t** input, int count, sPcmSpan& out)
{
    int total = 0;
    for (;;) {
        const int room = swr_get_out_samples(m_resampler.get(), count);
        if (room < 0)
            return false;
        if (room == 0)
            break;
        Planes(total + room);
        std::vector<uint8_t*> targets(m_buffers.size());
        for (size_t c = 0; c < m_buffers.size(); ++c)
            targets[c] = reinterpret_cast<uint8_t*>(m_buffers[c].data() + total);
        const int produced = swr_convert(m_resampler.get(), targets.data(), room, input, count);
        if (produced < 0)
            return false;
        total += produced;
        // Input is taken in one call; draining repeats until nothing is left.
        if (input || produced == 0)
            break;
    }
    out.planes = m_planes.data();
    out.samples = total;
    return true;
}
