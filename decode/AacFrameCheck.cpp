#include "decode/AacFrameCheck.h"

#include <cstring>

namespace {
// Appends bits most significant first.
class CBitWriter {
public:
    void Put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            if (m_nBits % 8 == 0)
                m_bytes.push_back(0);
            if ((value >> i) & 1u)
                m_bytes.back() |= static_cast<uint8_t>(0x80u >> (m_nBits % 8));
            ++m_nBits;
        }
    }
    std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
    int m_nBits = 0;
};

enum : uint32_t { kSingleChannelElement = 0, kChannelPairElement = 1, kEndElement = 7 };

// ics_info of a long window with no scale factor bands: nothing to decode.
void PutEmptyIcsInfo(CBitWriter& bits)
{
    bits.Put(0, 1);  // reserved
    bits.Put(0, 2);  // window sequence: only long
    bits.Put(0, 1);  // window shape
    bits.Put(0, 6);  // max_sfb
    bits.Put(0, 1);  // no predictor data
}

// The rest of an individual channel stream without bands: its gain, and no
// pulse, TNS or gain control data.
void PutEmptyChannel(CBitWriter& bits, bool withIcsInfo)
{
    bits.Put(100, 8);  // global gain: scales nothing here
    if (withIcsInfo)
        PutEmptyIcsInfo(bits);
    bits.Put(0, 3);
}
}  // namespace

CAacFrameCheck::CAacFrameCheck(const sAacStream& stream) : m_nChannels(stream.m_nChannels)
{
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_AAC);
    if (!decoder)
        return;
    ffmpeg::CodecContext codec(avcodec_alloc_context3(decoder));
    if (!codec)
        return;
    // FFmpeg frees the configuration with the context.
    const size_t size = stream.m_config.size();
    codec->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!codec->extradata)
        return;
    std::memcpy(codec->extradata, stream.m_config.data(), size);
    codec->extradata_size = static_cast<int>(size);
    codec->sample_rate = static_cast<int>(stream.m_nSampleRate);
    av_channel_layout_default(&codec->ch_layout, stream.m_nChannels);
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return;
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    m_codec = std::move(codec);
}

bool CAacFrameCheck::Decodes(const uint8_t* data, int size, const SampleSink& onSamples)
{
    if (!IsOpen() || size <= 0)
        return false;
    // A packet without a buffer of its own: the decoder copies the bytes.
    av_packet_unref(m_packet.get());
    m_packet->data = const_cast<uint8_t*>(data);
    m_packet->size = size;
    const int sent = avcodec_send_packet(m_codec.get(), m_packet.get());
    m_packet->data = nullptr;
    m_packet->size = 0;
    if (sent < 0)
        return false;
    // One raw frame decodes into one whole frame of samples. A frame that
    // gave none would shorten the audio in a player; bytes that the decoder
    // reads as several frames, or as one and then fails on, are no frame.
    int frames = 0;
    bool whole = true;
    int received = 0;
    while ((received = avcodec_receive_frame(m_codec.get(), m_frame.get())) >= 0) {
        ++frames;
        whole = whole && m_frame->nb_samples == int{kAacFrameLength} &&
                m_frame->ch_layout.nb_channels == m_nChannels;
        if (onSamples && m_frame->format == AV_SAMPLE_FMT_FLTP)
            onSamples(reinterpret_cast<const float* const*>(m_frame->extended_data), m_frame->ch_layout.nb_channels,
                      m_frame->nb_samples);
        av_frame_unref(m_frame.get());
    }
    return received == AVERROR(EAGAIN) && frames == 1 && whole;
}

std::vector<uint8_t> SilentAacFrame(const sAacStream& stream)
{
    CBitWriter bits;
    if (stream.m_nChannels == 1) {
        bits.Put(kSingleChannelElement, 3);
        bits.Put(0, 4);  // element instance tag
        PutEmptyChannel(bits, true);
    } else {
        bits.Put(kChannelPairElement, 3);
        bits.Put(0, 4);
        bits.Put(1, 1);  // one window shared by both channels
        PutEmptyIcsInfo(bits);
        bits.Put(0, 2);  // no mid/side
        PutEmptyChannel(bits, false);
        PutEmptyChannel(bits, false);
    }
    bits.Put(kEndElement, 3);
    return bits.Take();
}
