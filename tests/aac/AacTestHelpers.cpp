#include "AacTestHelpers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ffmpeg/Handles.h"

namespace aactest {
namespace {

bool ReceiveAll(AVCodecContext* context, AVFrame* frame, DecodedAudio& audio)
{
    for (;;) {
        const int ret = avcodec_receive_frame(context, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0 || frame->format != AV_SAMPLE_FMT_FLTP)
            return false;
        const int channels = frame->ch_layout.nb_channels;
        audio.channels.resize(static_cast<size_t>(channels));
        audio.sampleRate = frame->sample_rate;
        for (int c = 0; c < channels; ++c) {
            const auto* data = reinterpret_cast<const float*>(frame->extended_data[c]);
            audio.channels[static_cast<size_t>(c)].insert(audio.channels[static_cast<size_t>(c)].end(), data,
                                                          data + frame->nb_samples);
        }
        av_frame_unref(frame);
    }
}

}  // namespace

Opened OpenEncoder(unsigned long sampleRate, unsigned int channels)
{
    Opened opened;
    unsigned int frameLength = 0;
    opened.encoder = aac::Encoder::Open(sampleRate, channels, frameLength, opened.maxOutputBytes);
    opened.inputSamples = static_cast<unsigned long>(frameLength) * channels;
    return opened;
}

int EncodeInterleaved(aac::Encoder& encoder, const int16_t* samples, unsigned int count, uint8_t* output,
                      unsigned int outputSize)
{
    const unsigned int channels = encoder.Channels();
    std::vector<std::vector<float>> planes(channels, std::vector<float>(count / channels));
    std::vector<const float*> pointers;
    for (unsigned int c = 0; c < channels; ++c) {
        for (size_t i = 0; i < count / channels; ++i)
            planes[c][i] = static_cast<float>(samples[i * channels + c]) / 32768.0f;
        pointers.push_back(planes[c].data());
    }
    return encoder.Encode(pointers.data(), count / channels, output, outputSize);
}

EncodedStream EncodeAll(aac::Encoder& encoder, const std::vector<int16_t>& pcm, unsigned long blockSamples,
                        unsigned long maxOutputBytes)
{
    EncodedStream stream;
    std::vector<uint8_t> output(maxOutputBytes);
    for (size_t at = 0; at < pcm.size(); at += blockSamples) {
        const size_t count = std::min<size_t>(blockSamples, pcm.size() - at);
        const int n = EncodeInterleaved(encoder, pcm.data() + at, static_cast<unsigned int>(count), output.data(),
                                        static_cast<unsigned int>(output.size()));
        if (n < 0)
            stream.failed = true;
        else if (n > 0)
            stream.frames.emplace_back(output.begin(), output.begin() + n);
    }
    stream.framesWhileFeeding = stream.frames.size();
    // A bound on the flush, so that a faulty encoder fails the test instead of hanging it.
    for (int guard = 0; guard < 16; ++guard) {
        const int n = encoder.Encode(nullptr, 0, output.data(), static_cast<unsigned int>(output.size()));
        if (n < 0)
            stream.failed = true;
        if (n <= 0)
            return stream;
        stream.frames.emplace_back(output.begin(), output.begin() + n);
    }
    stream.failed = true;
    return stream;
}

DecodedAudio DecodeFrames(const std::vector<uint8_t>& asc, const std::vector<Frame>& frames)
{
    DecodedAudio audio;
    const AVCodec* codec = avcodec_find_decoder_by_name("aac");
    if (!codec)
        return audio;
    ffmpeg::CodecContext context(avcodec_alloc_context3(codec));
    ffmpeg::Frame frame(av_frame_alloc());
    ffmpeg::Packet packet(av_packet_alloc());
    if (!context || !frame || !packet)
        return audio;
    // The context owns extradata and frees it with av_free.
    context->extradata = static_cast<uint8_t*>(av_mallocz(asc.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!context->extradata)
        return audio;
    std::memcpy(context->extradata, asc.data(), asc.size());
    context->extradata_size = static_cast<int>(asc.size());
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return audio;

    for (const Frame& bytes : frames) {
        if (av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
            return audio;
        std::memcpy(packet->data, bytes.data(), bytes.size());
        const int ret = avcodec_send_packet(context.get(), packet.get());
        av_packet_unref(packet.get());
        if (ret < 0 || !ReceiveAll(context.get(), frame.get(), audio))
            return audio;
    }
    if (avcodec_send_packet(context.get(), nullptr) < 0 || !ReceiveAll(context.get(), frame.get(), audio))
        return audio;
    audio.ok = true;
    return audio;
}

std::vector<int16_t> TwoToneStereo(size_t frames, int sampleRate, double leftHz, double rightHz, double amplitude)
{
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        pcm[2 * i] = static_cast<int16_t>(std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * leftHz * t)));
        pcm[2 * i + 1] = static_cast<int16_t>(std::lround(amplitude * 32767.0 * std::sin(2.0 * M_PI * rightHz * t)));
    }
    return pcm;
}

std::vector<int16_t> Sweep(size_t frames, int channels, int sampleRate, double fromHz, double toHz, double amplitude)
{
    std::vector<int16_t> pcm(frames * static_cast<size_t>(channels));
    const double duration = static_cast<double>(frames) / sampleRate;
    const double rate = (toHz - fromHz) / duration;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        const double phase = 2.0 * M_PI * (fromHz * t + 0.5 * rate * t * t);
        const auto v = static_cast<int16_t>(std::lround(amplitude * 32767.0 * std::sin(phase)));
        for (int c = 0; c < channels; ++c)
            pcm[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] = v;
    }
    return pcm;
}

std::vector<int16_t> NoisyContent(size_t frames, int channels, int sampleRate)
{
    std::vector<int16_t> pcm(frames * static_cast<size_t>(channels));
    uint32_t state = 12345;
    for (size_t i = 0; i < pcm.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(state >> 8) / static_cast<double>(1u << 24)) * 2.0 - 1.0;
        const double t = static_cast<double>(i / static_cast<size_t>(channels)) / sampleRate;
        const double v = 0.2 * noise + 0.3 * std::sin(2.0 * M_PI * 330.0 * t);
        pcm[i] = static_cast<int16_t>(std::lround(v * 32767.0));
    }
    return pcm;
}

size_t CountZeroCrossings(std::span<const float> signal)
{
    size_t count = 0;
    for (size_t i = 1; i < signal.size(); ++i) {
        if ((signal[i - 1] < 0.0f) != (signal[i] < 0.0f))
            ++count;
    }
    return count;
}

double Rms(std::span<const float> signal)
{
    double sum = 0.0;
    for (float v : signal)
        sum += static_cast<double>(v) * v;
    return signal.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(signal.size()));
}

size_t BestLag(std::span<const float> reference, std::span<const float> decoded, size_t maxLag)
{
    size_t best = 0;
    double bestScore = -2.0;
    for (size_t lag = 0; lag <= maxLag && lag < decoded.size(); ++lag) {
        const size_t n = std::min(reference.size(), decoded.size() - lag);
        double dot = 0.0, energyRef = 0.0, energyDec = 0.0;
        for (size_t i = 0; i < n; ++i) {
            dot += static_cast<double>(reference[i]) * decoded[lag + i];
            energyRef += static_cast<double>(reference[i]) * reference[i];
            energyDec += static_cast<double>(decoded[lag + i]) * decoded[lag + i];
        }
        const double score = energyRef > 0 && energyDec > 0 ? dot / std::sqrt(energyRef * energyDec) : 0.0;
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

std::vector<float> ChannelOf(const std::vector<int16_t>& pcm, int channels, int channel)
{
    std::vector<float> out(pcm.size() / static_cast<size_t>(channels));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(pcm[i * static_cast<size_t>(channels) + static_cast<size_t>(channel)]) / 32768.0f;
    return out;
}

size_t TotalBytes(const std::vector<Frame>& frames)
{
    size_t total = 0;
    for (const Frame& frame : frames)
        total += frame.size();
    return total;
}

}  // namespace aactest
