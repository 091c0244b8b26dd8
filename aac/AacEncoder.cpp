// The encoder over FFmpeg's native "aac" encoder: configuration, the block
// copied into a reused frame, and one raw frame out per call.
#include "aac/AacEncoder.h"

#include "ffmpeg/Handles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <cerrno>
#include <cstring>

namespace aac {
namespace {

constexpr const char* kEncoderName = "aac";
// The native encoder allocates each packet with 8192 bytes per channel, so no
// frame can be larger.
constexpr unsigned long kMaxFrameBytesPerChannel = 8192;

const AVCodec* NativeAacEncoder()
{
    // By name: the identifier alone could pick another AAC encoder.
    return avcodec_find_encoder_by_name(kEncoderName);
}

// Sets a boolean private option of the encoder where this FFmpeg has it;
// -1 leaves the choice to the encoder.
void SetEncoderOption(AVCodecContext* context, const char* name, int64_t value)
{
    if (context->priv_data)
        av_opt_set_int(context->priv_data, name, value, 0);
}

// A codec context opened for the format and `config`, or null.
ffmpeg::CodecContext OpenContext(unsigned long sampleRate, unsigned int channels, const Configuration& config)
{
    const AVCodec* codec = NativeAacEncoder();
    if (!codec)
        return nullptr;
    ffmpeg::CodecContext context(avcodec_alloc_context3(codec));
    if (!context)
        return nullptr;
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->sample_rate = static_cast<int>(sampleRate);
    av_channel_layout_default(&context->ch_layout, static_cast<int>(channels));
    context->time_base = AVRational{1, static_cast<int>(sampleRate)};
    context->bit_rate = static_cast<int64_t>(config.bitRatePerChannel) * channels;
    context->cutoff = static_cast<int>(config.bandwidth);
    context->profile = FF_PROFILE_AAC_LOW;
    // Makes the encoder put the AudioSpecificConfig into extradata.
    context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    SetEncoderOption(context.get(), "aac_ms", config.midSide ? -1 : 0);
    SetEncoderOption(context.get(), "aac_tns", config.temporalNoiseShaping ? 1 : 0);

    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return nullptr;
    if (context->frame_size <= 0 || context->extradata_size <= 0)
        return nullptr;
    return context;
}

// A planar float frame able to hold one full block, allocated once.
ffmpeg::Frame AllocateBlockFrame(const AVCodecContext& context)
{
    ffmpeg::Frame frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = context.sample_fmt;
    frame->sample_rate = context.sample_rate;
    frame->nb_samples = context.frame_size;
    if (av_channel_layout_copy(&frame->ch_layout, &context.ch_layout) < 0)
        return nullptr;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

}  // namespace

struct Encoder::Impl {
    unsigned long sampleRate = 0;
    unsigned int channels = 0;
    unsigned int frameLength = 0;  // samples per channel in one full block
    Configuration config;
    ffmpeg::CodecContext context;
    ffmpeg::Frame frame;
    ffmpeg::Packet packet;
    int64_t nextPts = 0;
    bool inputBegun = false;      // a block or a flush has reached the codec
    bool lastBlockTaken = false;  // a short block ended the input
    bool drainSent = false;
    bool drained = false;

    unsigned long MaxOutputBytes() const { return kMaxFrameBytesPerChannel * channels; }
    int SendBlock(const float* const* planes, unsigned int samples);
    int TakeFrame(uint8_t* output, unsigned int outputSize);
};

int Encoder::Impl::SendBlock(const float* const* planes, unsigned int frames)
{
    // The codec releases its reference once it has encoded the frame, so this
    // is a no-op in steady state; it copies only if a reference were kept.
    frame->nb_samples = static_cast<int>(frameLength);
    if (const int ret = av_frame_make_writable(frame.get()); ret < 0)
        return ret;
    frame->nb_samples = static_cast<int>(frames);
    frame->pts = nextPts;
    for (unsigned int c = 0; c < channels; ++c)
        std::memcpy(frame->extended_data[c], planes[c], frames * sizeof(float));
    if (const int ret = avcodec_send_frame(context.get(), frame.get()); ret < 0)
        return ret;
    nextPts += frames;
    inputBegun = true;
    if (frames < frameLength)
        lastBlockTaken = true;
    return 0;
}

int Encoder::Impl::TakeFrame(uint8_t* output, unsigned int outputSize)
{
    const int ret = avcodec_receive_packet(context.get(), packet.get());
    if (ret == AVERROR(EAGAIN))
        return 0;  // the encoder holds the input (its priming delay)
    if (ret == AVERROR_EOF) {
        drained = true;
        return 0;
    }
    if (ret < 0)
        return ret;
    const int size = packet->size;
    // Cannot happen with a buffer of MaxOutputBytes; guarded all the same.
    if (size < 0 || static_cast<unsigned int>(size) > outputSize) {
        av_packet_unref(packet.get());
        return AVERROR(ENOSPC);
    }
    std::memcpy(output, packet->data, static_cast<size_t>(size));
    av_packet_unref(packet.get());
    return size;
}

Encoder::Encoder(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

Encoder::~Encoder() = default;

std::unique_ptr<Encoder> Encoder::Open(unsigned long sampleRate, unsigned int channels, unsigned int& frameLength,
                                       unsigned long& maxOutputBytes)
{
    frameLength = 0;
    maxOutputBytes = 0;
    if (channels < 1 || channels > 2 || !IsSupportedSampleRate(sampleRate))
        return nullptr;

    auto impl = std::make_unique<Impl>();
    impl->sampleRate = sampleRate;
    impl->channels = channels;
    impl->context = OpenContext(sampleRate, channels, impl->config);
    if (!impl->context)
        return nullptr;
    impl->frameLength = static_cast<unsigned int>(impl->context->frame_size);
    impl->frame = AllocateBlockFrame(*impl->context);
    impl->packet.reset(av_packet_alloc());
    if (!impl->frame || !impl->packet)
        return nullptr;

    frameLength = impl->frameLength;
    maxOutputBytes = impl->MaxOutputBytes();
    return std::unique_ptr<Encoder>(new Encoder(std::move(impl)));
}

Configuration Encoder::CurrentConfiguration() const
{
    return m_impl->config;
}

bool Encoder::Configure(const Configuration& config)
{
    // Reopening after input has begun would drop the samples the encoder holds.
    if (m_impl->inputBegun)
        return false;
    if (!IsHonourable(config, m_impl->sampleRate))
        return false;
    // Open the new context first, so that a failure leaves the old one in force.
    ffmpeg::CodecContext context = OpenContext(m_impl->sampleRate, m_impl->channels, config);
    if (!context || context->frame_size != static_cast<int>(m_impl->frameLength))
        return false;
    m_impl->context = std::move(context);
    m_impl->config = config;
    return true;
}

int Encoder::Encode(const float* const* planes, unsigned int count, uint8_t* output, unsigned int outputSize)
{
    Impl& impl = *m_impl;
    if (!output || outputSize < impl.MaxOutputBytes())
        return AVERROR(EINVAL);

    if (count == 0) {
        if (impl.drained)
            return 0;
        if (!impl.drainSent) {
            const int ret = avcodec_send_frame(impl.context.get(), nullptr);
            if (ret < 0 && ret != AVERROR_EOF)
                return ret;
            impl.drainSent = true;
            impl.inputBegun = true;
        }
        return impl.TakeFrame(output, outputSize);
    }

    if (!planes || count > impl.frameLength)
        return AVERROR(EINVAL);
    for (unsigned int c = 0; c < impl.channels; ++c) {
        if (!planes[c])
            return AVERROR(EINVAL);
    }
    // A short block ends the stream; so does a flush.
    if (impl.lastBlockTaken || impl.drainSent)
        return AVERROR(EINVAL);
    if (const int ret = impl.SendBlock(planes, count); ret < 0)
        return ret;
    return impl.TakeFrame(output, outputSize);
}

std::vector<uint8_t> Encoder::GetDecoderSpecificInfo() const
{
    const AVCodecContext& context = *m_impl->context;
    return std::vector<uint8_t>(context.extradata, context.extradata + context.extradata_size);
}

unsigned int Encoder::Delay() const
{
    const int padding = m_impl->context->initial_padding;
    return padding > 0 ? static_cast<unsigned int>(padding) : 0;
}

unsigned int Encoder::Channels() const
{
    return m_impl->channels;
}

unsigned long Encoder::SampleRate() const
{
    return m_impl->sampleRate;
}

std::string Encoder::GetVersion()
{
    // The version of the library loaded at run time, not of the headers.
    const unsigned int version = avcodec_version();
    std::string text = "Lavc" + std::to_string(version >> 16) + "." + std::to_string((version >> 8) & 0xff) + "." +
                       std::to_string(version & 0xff);
    if (const AVCodec* codec = NativeAacEncoder())
        text += std::string(" ") + codec->name;
    return text;
}

}  // namespace aac
