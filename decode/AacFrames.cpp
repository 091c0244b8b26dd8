#include "decode/AacFrames.h"
#include "decode/AdtsHeader.h"
#include "decode/ContainerFacts.h"

#include <algorithm>
#include <string_view>

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/mathematics.h>
}

namespace {
constexpr AVRational k100ns = {1, 10000000};
constexpr int kAacLcObjectType = 2;

const int kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};

struct Opened {
    ffmpeg::FormatContext format;
    AVStream* stream = nullptr;
    bool adts = false;
};

// The container and its first audio stream, when that stream is AAC.
std::optional<Opened> OpenAac(const std::string& utf8Path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, utf8Path.c_str(), nullptr, nullptr) < 0)
        return std::nullopt;
    Opened opened;
    opened.format.reset(raw);
    // Stream info lets the decoder see a first frame: an implicit SBR layer
    // then shows as an HE-AAC profile and a doubled rate.
    avformat_find_stream_info(raw, nullptr);
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        AVStream* stream = raw->streams[i];
        const bool audio = stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO &&
                           !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (!opened.stream && audio)
            opened.stream = stream;
        else
            stream->discard = AVDISCARD_ALL;
    }
    if (!opened.stream || opened.stream->codecpar->codec_id != AV_CODEC_ID_AAC)
        return std::nullopt;
    opened.adts = std::string_view(raw->iformat->name) == "aac";
    return opened;
}

// The AudioSpecificConfig of an ADTS frame of one raw frame; empty when
// `data` does not start with the header of one.
std::vector<uint8_t> AdtsConfig(const uint8_t* data, int size)
{
    const std::optional<sAdtsHeader> header = ReadAdtsHeader(data, size);
    if (!header || header->rawBlocks != 1)
        return {};
    return header->AudioSpecificConfig();
}

std::string ToolOf(const Opened& opened)
{
    for (AVDictionary* tags : {opened.stream->metadata, opened.format->metadata}) {
        if (const AVDictionaryEntry* entry = av_dict_get(tags, "encoder", nullptr, 0))
            return entry->value;
    }
    return {};
}
}  // namespace

std::optional<sAacStream> ProbeAacStream(const std::string& utf8Path)
{
    std::optional<Opened> opened = OpenAac(utf8Path);
    if (!opened)
        return std::nullopt;
    const AVCodecParameters& par = *opened->stream->codecpar;
    if (par.profile != FF_PROFILE_AAC_LOW || (par.frame_size != 0 && par.frame_size != int{kAacFrameLength}))
        return std::nullopt;
    sAacStream stream;
    stream.m_nSampleRate = static_cast<uint32_t>(par.sample_rate);
    stream.m_nChannels = par.ch_layout.nb_channels;
    stream.m_strTool = ToolOf(*opened);
    if (opened->adts) {
        ffmpeg::Packet packet(av_packet_alloc());
        if (!packet || av_read_frame(opened->format.get(), packet.get()) < 0)
            return std::nullopt;
        stream.m_config = AdtsConfig(packet->data, packet->size);
    } else if (par.extradata) {
        stream.m_config.assign(par.extradata, par.extradata + par.extradata_size);
    }
    // The configuration itself must say AAC-LC at the stream's rate with its
    // channels in the configuration (not in a program config element).
    if (stream.m_config.size() < 2)
        return std::nullopt;
    const int objectType = stream.m_config[0] >> 3;
    const int rateIndex = (stream.m_config[0] & 0x07) << 1 | stream.m_config[1] >> 7;
    const int channelConfig = (stream.m_config[1] >> 3) & 0x0F;
    if (objectType != kAacLcObjectType || rateIndex >= static_cast<int>(std::size(kRates)) ||
        kRates[rateIndex] != par.sample_rate || channelConfig == 0 || channelConfig > 2 ||
        channelConfig != stream.m_nChannels)
        return std::nullopt;
    return stream;
}

bool SameAacStream(const sAacStream& a, const sAacStream& b)
{
    // The first two bytes hold object type, rate index, channel configuration
    // and the frame-length, core-coder and extension flags; what may follow
    // in an LC stream's configuration only states that there is no SBR.
    return a.m_nSampleRate == b.m_nSampleRate && a.m_nChannels == b.m_nChannels && a.m_config.size() >= 2 &&
           b.m_config.size() >= 2 && a.m_config[0] == b.m_config[0] && a.m_config[1] == b.m_config[1];
}

std::optional<sAacStream> CommonAacStream(const std::vector<std::string>& utf8Paths)
{
    std::optional<sAacStream> common;
    for (const std::string& path : utf8Paths) {
        std::optional<sAacStream> stream = ProbeAacStream(path);
        if (!stream || (common && !SameAacStream(*common, *stream)))
            return std::nullopt;
        if (!common)
            common = std::move(stream);
    }
    return common;
}

bool CAacFrameReader::Open(const std::string& utf8Path)
{
    std::optional<Opened> opened = OpenAac(utf8Path);
    if (!opened)
        return false;
    m_format = std::move(opened->format);
    m_pStream = opened->stream;
    m_bAdts = opened->adts;
    if (const std::optional<int64_t> length = ExactStreamLength(*m_format, *m_pStream))
        m_exactLength = av_rescale_q(*length, m_pStream->time_base, {1, m_pStream->codecpar->sample_rate});
    m_packet.reset(av_packet_alloc());
    if (!m_packet || !ReadPacket())
        return false;
    // The priming is the first frame's skip: an edit list puts the frames
    // before the audio at negative times, iTunSMPB marks it as samples to skip.
    const AVRational perSample = {1, m_pStream->codecpar->sample_rate};
    const int64_t pts = m_packet->pts != AV_NOPTS_VALUE ? av_rescale_q(m_packet->pts, m_pStream->time_base, perSample)
                                                         : 0;
    size_t sideSize = 0;
    const uint8_t* skip = av_packet_get_side_data(m_packet.get(), AV_PKT_DATA_SKIP_SAMPLES, &sideSize);
    const uint64_t skipped = skip && sideSize >= 4 ? AV_RL32(skip) : 0;
    m_nDelay = std::max<uint64_t>(skipped, pts < 0 ? static_cast<uint64_t>(-pts) : 0);
    m_bPending = true;
    return true;
}

bool CAacFrameReader::ReadPacket()
{
    for (;;) {
        av_packet_unref(m_packet.get());
        const int read = av_read_frame(m_format.get(), m_packet.get());
        if (read < 0) {
            const int inputError = m_format->pb ? m_format->pb->error : 0;
            m_bFailed = read != AVERROR_EOF && inputError != 0 && inputError != AVERROR_EOF;
            return false;
        }
        if (m_packet->stream_index == m_pStream->index)
            return true;
    }
}

CAacFrameReader::ReadResult CAacFrameReader::Next()
{
    if (!m_bPending && !ReadPacket())
        return m_bFailed ? ReadResult::Failed : ReadResult::End;
    m_bPending = false;
    const AVPacket& packet = *m_packet;
    m_pData = packet.data;
    m_nSize = packet.size;
    if (m_bAdts) {
        // Frames go into the book as raw frames: the header is left behind,
        // and a header of several raw frames cannot be split here.
        const std::optional<sAdtsHeader> header = ReadAdtsHeader(packet.data, packet.size);
        if (!header || header->rawBlocks != 1 || packet.size <= header->headerSize)
            return ReadResult::Failed;
        m_pData += header->headerSize;
        m_nSize -= header->headerSize;
    }
    size_t sideSize = 0;
    if (const uint8_t* skip = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &sideSize);
        skip && sideSize >= 8)
        m_nEndPadding += AV_RL32(skip + 4);
    ++m_nFrames;
    if (packet.pts != AV_NOPTS_VALUE) {
        const int64_t start = m_pStream->start_time != AV_NOPTS_VALUE ? m_pStream->start_time : 0;
        const int64_t end = packet.pts - start + (packet.duration > 0 ? packet.duration : 0);
        m_llPosition = std::max<int64_t>(0, av_rescale_q(end, m_pStream->time_base, k100ns));
    }
    return ReadResult::Frame;
}

uint64_t CAacFrameReader::OwnSamples() const
{
    const uint64_t framed = m_nFrames * kAacFrameLength;
    const uint64_t trimmed = m_nDelay + m_nEndPadding;
    uint64_t own = framed > trimmed ? framed - trimmed : 0;
    // An MP4 states its audio's exact length, which leaves out the silence
    // that fills its last frame.
    if (m_exactLength && *m_exactLength > 0)
        own = std::min(own, static_cast<uint64_t>(*m_exactLength));
    return own;
}

int64_t CAacFrameReader::Duration() const
{
    return m_format && m_pStream ? StatedDuration(*m_format, *m_pStream) : 0;
}
